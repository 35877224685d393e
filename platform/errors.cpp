#include "platform/errors.h"

#include "platform/messagebox.h"

#include <new>

namespace platform {

AppError::AppError(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}

SettingsWriteError::SettingsWriteError(const QString& path)
    : AppError(QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path)) {}

QString errorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() <= QChar('.'))
        return message;
    return message + QLatin1Char('.');
}

void showErrorReport(const QString& message)
{
    MessageBoxService::current().show(QStringLiteral("VARNX"), errorReportText(message), MsgIcon::Error,
                                      MsgButtons::Ok);
}

bool runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const AppError& e) {
        showErrorReport(e.message());
    } catch (const std::bad_alloc&) {
        showErrorReport(QStringLiteral("Zu wenig Arbeitsspeicher"));
    } catch (const std::exception& e) {
        showErrorReport(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace platform
