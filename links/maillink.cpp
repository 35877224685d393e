#include "links/maillink.h"

#include "links/executeprogram.h"
#include "platform/registry.h"

#include <QRegularExpression>

namespace {

const QString kMailCommandKey = QStringLiteral("x-scheme-handler/mailto\\shell\\open\\command");

}  // namespace

QString MailUrlOfLink(const QString& link)
{
    static const QRegularExpression address(QStringLiteral("^[^@/:\\s]+@[^@/:\\s.]+(\\.[^@/:\\s.]+)+$"));
    if (link.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return QStringLiteral("mailto:") + link.mid(7);
    if (address.match(link).hasMatch())
        return QStringLiteral("mailto:") + link;
    return {};
}

void OpenMailLink(const QString& mailUrl)
{
    const std::optional<QString> exec = platform::RegistryService::current().defaultValue(kMailCommandKey);
    const QStringList words = exec ? platform::desktopExecWords(*exec, mailUrl) : QStringList();
    if (!words.isEmpty()) {
        Globals::ExecuteProgramWithArguments(words.first(), words.mid(1));
        return;
    }
    // The desktop's own opener, with its failures in the tools' words.
    Globals::ExecuteProgramWithArguments(mailUrl, {});
}
