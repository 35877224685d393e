// Fuzz target of the INI profile service: random file content and a random sequence of
// read, write and erase operations, run on the text functions and, in step, through
// FileIniProfileService on a real file.
//
// Input: file content, then a tail of operation bytes whose length is the input's last
// byte. Checked after every step:
// - a write reads back as the service stores it (line breaks as blanks, the file's
//   encoding, cut at 1023 characters);
// - a write changes exactly one line of the first section of that name (or adds one at
//   its end, or a new section at the end of the file); every byte before and after that
//   section stays as it was;
// - an erase removes exactly the lines of every section of that name;
// - read-string and the key listing agree with the profile rules, read independently;
// - the file service leaves the same bytes on disk as the text functions compute, and
//   no temporary file behind.

#include "platform/codepage1252.h"
#include "platform/errors.h"
#include "platform/iniprofile.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

using platform::FileIniProfileService;
using platform::IniProfileService;
namespace initext = platform::initext;

namespace {

constexpr int kMaxValue = IniProfileService::kMaxValueLength;

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

bool isBlank(char16_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b].unicode()))
        ++b;
    while (e > b && isBlank(s[e - 1].unicode()))
        --e;
    return s.mid(b, e - b);
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The file read line by line with the profile rules, written down once more on their own.
struct Line {
    qsizetype begin = 0;  // offset of the line's first byte
    qsizetype next = 0;   // offset of the next line (past the '\n')
    QByteArray text;  // without its line break
    bool blankOrComment = false;
    enum Kind { Other, Section, Key } kind = Other;
    QString name;
    QString raw;  // key lines: the text after the first "="
};

struct Model {
    QByteArray bytes;
    bool utf8 = true;
    std::vector<Line> lines;

    explicit Model(const QByteArray& content) : bytes(content), utf8(isUtf8(content))
    {
        qsizetype pos = 0;
        while (pos < content.size()) {
            Line line;
            line.begin = pos;
            qsizetype nl = content.indexOf('\n', pos);
            qsizetype textEnd = nl < 0 ? content.size() : nl;
            line.next = nl < 0 ? content.size() : nl + 1;
            if (nl >= 0 && textEnd > pos && content[textEnd - 1] == '\r')
                --textEnd;
            line.text = content.mid(pos, textEnd - pos);
            QByteArray text = line.text;
            if (pos == 0 && text.startsWith("\xEF\xBB\xBF"))
                text.remove(0, 3);
            const QString trimmed = trimBlanks(decode(text));
            line.blankOrComment = trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'));
            classify(line, trimmed);
            lines.push_back(line);
            pos = line.next;
        }
    }

    // U+FEFF at the start is text too (decoded behind a letter, since Qt would drop it).
    QString decode(const QByteArray& b) const
    {
        return utf8 ? QString::fromUtf8("=" + b).mid(1) : platform::decode1252(b);
    }
    QByteArray encode(const QString& s) const { return utf8 ? s.toUtf8() : platform::encode1252(s); }

    static void classify(Line& line, const QString& t)
    {
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            return;
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
            if (close > 0) {
                line.kind = Line::Section;
                line.name = trimBlanks(t.mid(1, close - 1));
            }
            return;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq > 0) {
            line.kind = Line::Key;
            line.name = trimBlanks(t.left(eq));
            line.raw = t.mid(eq + 1);
        }
    }

    // [first, end) line indexes of the first section of that name; first = -1 when none.
    std::pair<int, int> section(const QString& name) const
    {
        for (int i = 0; i < int(lines.size()); ++i) {
            if (lines[size_t(i)].kind == Line::Section && same(lines[size_t(i)].name, name)) {
                int end = i + 1;
                while (end < int(lines.size()) && lines[size_t(end)].kind != Line::Section)
                    ++end;
                return {i, end};
            }
        }
        return {-1, -1};
    }

    int key(std::pair<int, int> range, const QString& name) const
    {
        for (int i = range.first + 1; range.first >= 0 && i < range.second; ++i)
            if (lines[size_t(i)].kind == Line::Key && same(lines[size_t(i)].name, name))
                return i;
        return -1;
    }

    QString read(const QString& sec, const QString& key, const QString& def) const
    {
        const int at = this->key(section(sec), key);
        if (at < 0)
            return def;
        QString v = trimBlanks(lines[size_t(at)].raw);
        if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return v.left(kMaxValue);
    }

    QStringList keys(const QString& sec) const
    {
        QStringList names;
        const auto range = section(sec);
        qsizetype used = 1;
        for (int i = range.first + 1; range.first >= 0 && i < range.second; ++i) {
            if (lines[size_t(i)].kind != Line::Key)
                continue;
            if (used + lines[size_t(i)].name.size() + 1 > IniProfileService::kKeyListLimit)
                break;
            used += lines[size_t(i)].name.size() + 1;
            names.append(lines[size_t(i)].name);
        }
        return names;
    }

    QByteArray erased(const QString& sec, bool* found) const
    {
        QByteArray out;
        bool inside = false;
        *found = false;
        for (const Line& line : lines) {
            if (line.kind == Line::Section)
                inside = same(line.name, sec);
            *found = *found || inside;
            if (!inside)
                out += bytes.mid(line.begin, line.next - line.begin);
        }
        return out;
    }

    qsizetype offsetOf(int line) const { return line < int(lines.size()) ? lines[size_t(line)].begin : bytes.size(); }
};

// Names that a write can store so that the same name finds them again: no line break,
// no blanks around; a key also holds no "=" and does not start like a comment or a
// section header. Both must survive the file's encoding.
bool storableSection(const QString& s, const Model& m)
{
    return !s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n')) && trimBlanks(s) == s &&
           m.decode(m.encode(s)) == s;
}

bool storableKey(const QString& k, const Model& m)
{
    return storableSection(k, m) && !k.isEmpty() && !k.contains(QLatin1Char('=')) &&
           !k.startsWith(QLatin1Char(';')) && !k.startsWith(QLatin1Char('['));
}

// What read-string gives back after a write of value into a file of that encoding.
QString storedValue(QString value, const Model& m)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return m.decode(m.encode(value)).left(kMaxValue);
}

void checkWrite(const QByteArray& original, const QByteArray& after, const QString& sec, const QString& key,
                const QString& value)
{
    // A name with a line break in it is no name any caller passes: it would write two
    // lines. Such writes only have to leave a file that the service can read.
    for (const QString* name : {&sec, &key})
        if (name->contains(QLatin1Char('\r')) || name->contains(QLatin1Char('\n')))
            return;
    // A Windows-1252 file that cannot hold the written text becomes UTF-8 first, every
    // byte converted; the rules below hold for the converted file.
    QByteArray before = original;
    if (!isUtf8(original)) {
        QString flat = value;
        flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const auto fits = [](const QString& t) { return platform::decode1252(platform::encode1252(t)) == t; };
        if (!fits(sec) || !fits(key) || !fits(flat)) {
            before = platform::decode1252(original).toUtf8();
            FUZZ_CHECK(isUtf8(after), QStringLiteral("write [%1] %2=%3 left the file in Windows-1252")
                                          .arg(fuzz::show(sec), fuzz::show(key), fuzz::show(value)));
        }
    }
    const Model old(before);
    const Model neu(after);
    const auto where = [&] {
        return QStringLiteral("write [%1] %2=%3\n    before %4\n    after  %5")
                              .arg(fuzz::show(sec), fuzz::show(key), fuzz::show(value), fuzz::show(before, 400),
                                   fuzz::show(after, 400));
    };
    const auto range = old.section(sec);
    if (range.first < 0) {
        // A new section at the end: everything that was there stays, a missing final
        // line break is added first.
        const bool openEnd = !before.isEmpty() && !before.endsWith('\n');
        FUZZ_CHECK(after.startsWith(before), where());
        if (openEnd)
            FUZZ_CHECK(after.mid(before.size()).startsWith('\n') || after.mid(before.size()).startsWith("\r\n"), where());
        FUZZ_CHECK(neu.lines.size() == old.lines.size() + 2, where());
    } else {
        const qsizetype head = old.offsetOf(range.first);
        const qsizetype tail = before.size() - old.offsetOf(range.second);
        FUZZ_CHECK(after.left(head) == before.left(head), where());
        FUZZ_CHECK(after.right(tail) == before.right(tail), where());
        const int keyLine = old.key(range, key);
        if (keyLine >= 0) {
            // Only the text of the key's line changes; its line break stays.
            const Line& line = old.lines[size_t(keyLine)];
            const qsizetype eol = before.mid(line.begin, line.next - line.begin).endsWith("\r\n") ? 2
                                  : before.mid(line.begin, line.next - line.begin).endsWith('\n') ? 1
                                                                                                   : 0;
            const qsizetype after1 = before.size() - (line.next - eol);
            FUZZ_CHECK(after.left(line.begin) == before.left(line.begin), where());
            FUZZ_CHECK(after.right(after1) == before.right(after1), where());
            FUZZ_CHECK(!after.mid(line.begin, after.size() - after1 - line.begin).contains('\n'), where());
        } else {
            // One new line, with nothing after it in the section but blank and comment lines.
            FUZZ_CHECK(neu.lines.size() == old.lines.size() + 1, where());
            // (A last line that ended in a lone CR may now end in CR LF.)
            const auto sameText = [](QByteArray a, QByteArray b) {
                while (a.endsWith('\r'))
                    a.chop(1);
                while (b.endsWith('\r'))
                    b.chop(1);
                return a == b;
            };
            int inserted = 0;
            while (inserted < int(old.lines.size()) && sameText(old.lines[size_t(inserted)].text, neu.lines[size_t(inserted)].text))
                ++inserted;
            FUZZ_CHECK(inserted > range.first && inserted <= range.second, where());
            for (int i = inserted; i < range.second; ++i)
                FUZZ_CHECK(old.lines[size_t(i)].blankOrComment, where());
        }
    }
    // The value reads back as stored, in an encoding that the write did not change (a
    // file that stops or starts being valid UTF-8 reads all its values differently).
    if (storableSection(sec, old) && storableKey(key, old) && old.utf8 == neu.utf8) {
        const QString expected = storedValue(value, old);
        const QString got = initext::readString(after, sec, key, QStringLiteral("\x01" "missing"));
        FUZZ_CHECK(got == expected, where() + QStringLiteral("\n    read back %1, expected %2").arg(fuzz::show(got), fuzz::show(expected)));
        FUZZ_CHECK(neu.read(sec, key, QString()) == expected, where());
    }
}

// Strings the operations use: names found in the file, fixed ones, and random text with
// the characters that matter to the rules.
class Strings {
public:
    Strings(FuzzedDataProvider& fdp, const Model& m) : fdp_(fdp)
    {
        for (const Line& line : m.lines)
            if (line.kind != Line::Other && pool_.size() < 64)
                pool_.append(line.name);
        pool_ << QStringLiteral("MainWindow") << QStringLiteral("Tools") << QStringLiteral("OpenFiles")
              << QStringLiteral("x") << QString();
    }

    QString name()
    {
        QString n = fdp_.ConsumeBool() ? pool_[fdp_.ConsumeIntegralInRange<qsizetype>(0, pool_.size() - 1)] : text(8);
        switch (fdp_.ConsumeIntegralInRange(0, 3)) {
        case 1:
            return n.toUpper();
        case 2:
            return n.toLower();
        default:
            return n;
        }
    }

    QString value()
    {
        switch (fdp_.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return QString();
        case 1:
            return name();
        case 2: {
            const QString unit = text(6) + QLatin1Char('x');
            QString longText;
            const int target = fdp_.ConsumeIntegralInRange(kMaxValue - 8, kMaxValue + 80);
            while (longText.size() < target)
                longText += unit;
            return fdp_.ConsumeBool() ? longText : QLatin1Char(' ') + longText + QLatin1Char(' ');
        }
        case 3: {
            const QChar q = fdp_.ConsumeBool() ? QLatin1Char('"') : QLatin1Char('\'');
            return q + text(10) + q;
        }
        default:
            return text(24);
        }
    }

private:
    QString text(int maxLength)
    {
        static const char16_t kSpecial[] = {u'"',    u'\'',   u' ',    u'\t',   u'\r',   u'\n', u'=',
                                            u';',    u'[',    u']',    0x20AC,  0x0142,  0x00A0, 0xFEFF,
                                            0x2028,  0xD800,  0x00E4,  0x0160,  0x0000,  u'\v', u'\f'};
        QString s;
        const int length = fdp_.ConsumeIntegralInRange(0, maxLength);
        for (int i = 0; i < length; ++i) {
            const auto b = fdp_.ConsumeIntegral<std::uint8_t>();
            if (b < 0xC0) {
                s += QChar(char16_t(b < 0x20 ? 'a' + b % 26 : b));
            } else if (b < 0xC0 + std::size(kSpecial)) {
                s += QChar(kSpecial[b - 0xC0]);
            } else if (b == 0xFF) {
                s += QString::fromUcs4(U"\U0001F600", 1);  // outside the BMP: a surrogate pair
            } else {
                s += QChar(char16_t(b));
            }
        }
        return s;
    }

    FuzzedDataProvider& fdp_;
    QStringList pool_;
};

// The files of the temporary folder besides the settings file.
template <typename Where>
void checkNoLeftovers(const QDir& dir, const Where& where)
{
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    FUZZ_CHECK(entries.isEmpty() || entries == QStringList{QStringLiteral("VARNX.ini")},
               where() + QStringLiteral(": left in the folder: ") + entries.join(QLatin1Char(' ')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t tail = std::min<std::size_t>(data[size - 1], size - 1);
    QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size - 1 - tail));
    FuzzedDataProvider fdp(data + size - 1 - tail, tail);

    QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid(), QStringLiteral("no temporary folder"));
    const QDir dir(folder.path());
    const QString path = dir.filePath(QStringLiteral("VARNX.ini"));
    bool onDisk = fdp.ConsumeBool() || !content.isEmpty();
    if (onDisk) {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(content) == content.size(), path);
    }
    FileIniProfileService service;
    const QString def = QStringLiteral("\x01" "default");

    const int steps = fdp.ConsumeIntegralInRange(0, 12);
    for (int step = 0; step < steps; ++step) {
        const Model model(content);
        Strings strings(fdp, model);
        const int op = fdp.ConsumeIntegralInRange(0, 5);
        const QString sec = strings.name();
        const QString key = strings.name();
        const auto where = [&] { return QStringLiteral("step %1 op %2 on %3").arg(step).arg(op).arg(fuzz::show(content, 400)); };
        switch (op) {
        case 0: {  // read-string
            const QString got = initext::readString(content, sec, key, def);
            FUZZ_CHECK(got == model.read(sec, key, def),
                       where() + QStringLiteral(" read [%1] %2 gave %3, expected %4")
                                   .arg(fuzz::show(sec), fuzz::show(key), fuzz::show(got), fuzz::show(model.read(sec, key, def))));
            FUZZ_CHECK(service.readString(path, sec, key, def) == got, where() + QStringLiteral(" file read differs"));
            break;
        }
        case 1: {  // key listing
            const QStringList got = initext::readSectionKeys(content, sec);
            FUZZ_CHECK(got == model.keys(sec), where() + QStringLiteral(" keys of [%1]: %2").arg(fuzz::show(sec), got.join(QLatin1Char('|'))));
            FUZZ_CHECK(service.readSectionKeys(path, sec) == got, where() + QStringLiteral(" file key listing differs"));
            break;
        }
        case 2:
        case 3: {  // write-string
            const QString value = strings.value();
            const QByteArray after = initext::writeString(content, sec, key, value);
            checkWrite(content, after, sec, key, value);
            try {
                service.writeString(path, sec, key, value);
            } catch (const platform::AppError& e) {
                FUZZ_CHECK(false, where() + QStringLiteral(" file write failed: ") + e.message());
            }
            content = after;
            onDisk = true;
            break;
        }
        case 4: {  // erase-section
            bool found = false;
            bool changed = false;
            const QByteArray expected = model.erased(sec, &found);
            const QByteArray after = initext::eraseSection(content, sec, &changed);
            FUZZ_CHECK(after == expected && changed == found,
                       where() + QStringLiteral(" erase [%1] gave %2").arg(fuzz::show(sec), fuzz::show(after, 400)));
            FUZZ_CHECK(initext::readSectionKeys(after, sec).isEmpty(), where());
            service.eraseSection(path, sec);
            content = after;
            break;
        }
        case 5:  // the file goes away
            QFile::remove(path);
            content.clear();
            onDisk = false;
            break;
        }
        // The file holds what the text functions computed, and nothing else is left.
        QFile f(path);
        if (onDisk) {
            FUZZ_CHECK(f.open(QIODevice::ReadOnly), where() + QStringLiteral(" file missing"));
            const QByteArray disk = f.readAll();
            FUZZ_CHECK(disk == content, where() + QStringLiteral(" on disk %1").arg(fuzz::show(disk, 400)));
        } else {
            FUZZ_CHECK(!f.exists(), where() + QStringLiteral(" file created by a call that changes nothing"));
        }
        checkNoLeftovers(dir, where);
    }
    return 0;
}
