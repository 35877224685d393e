#include "platform/filenames.h"

#include <QFile>

#include <dirent.h>

namespace platform {

namespace {

// The length of the valid UTF-8 sequence at p (1 for ASCII), 0 when none starts there.
int sequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned c = *p;
    if (c < 0x80)
        return 1;
    int n = 0;
    unsigned min = 0, value = 0;
    if ((c & 0xE0) == 0xC0)
        n = 1, min = 0x80, value = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
        n = 2, min = 0x800, value = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
        n = 3, min = 0x10000, value = c & 0x07;
    else
        return 0;
    if (end - p <= n)
        return 0;
    for (int k = 1; k <= n; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[k] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return n + 1;
}

}  // namespace

bool isExactName(const QByteArray& native) { return QFile::encodeName(QFile::decodeName(native)) == native; }

QString shownName(const QByteArray& native)
{
    QString shown;
    const auto* p = reinterpret_cast<const unsigned char*>(native.constData());
    const auto* end = p + native.size();
    while (p < end) {
        const int n = sequenceLength(p, end);
        if (n == 0) {
            shown += QStringLiteral("\\x") + QString::number(unsigned(*p), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++p;
        } else {
            shown += QString::fromUtf8(reinterpret_cast<const char*>(p), n);
            p += n;
        }
    }
    return shown;
}

QString inexactNameText(const QByteArray& native)
{
    return QStringLiteral("Der Dateiname \"%1\" ist kein gültiges UTF-8; die Datei wird nicht geöffnet.")
        .arg(shownName(native));
}

QByteArray inexactTwinOf(const QString& path)
{
    if (!path.contains(QChar(0xFFFD)))
        return {};
    const QByteArray native = QFile::encodeName(path);
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
    const QString name = QFile::decodeName(native.mid(slash + 1));
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return {};
    QByteArray twin;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (!isExactName(raw) && QFile::decodeName(raw) == name) {
            twin = native.left(slash + 1) + raw;
            break;
        }
    }
    ::closedir(dir);
    return twin;
}

}  // namespace platform
