#include "platform/iniprofile.h"

#include <cstdint>

#include "platform/atomicfile.h"
#include "platform/codepage1252.h"
#include "platform/errors.h"
#include "platform/filetrust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
#include <utility>
#include <sys/stat.h>

namespace platform {

template <>
IniProfileService& Service<IniProfileService>::defaultInstance()
{
    static FileIniProfileService service;
    return service;
}

namespace initext {

namespace {

// The settings file's 8-bit text is Windows-1252, with the program's one table.
QString decodeCp1252(const QByteArray& bytes) { return platform::decode1252(bytes); }
QByteArray encodeCp1252(const QString& text) { return platform::encode1252(text); }

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates), checked
// without decoding them.
bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        char32_t c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int n = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            n = 1, min = 0x80, c &= 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, min = 0x800, c &= 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, min = 0x10000, c &= 0x07;
        } else {
            return false;
        }
        if (end - p <= n)
            return false;
        for (int k = 1; k <= n; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        p += n + 1;
    }
    return true;
}

// A name or value that starts with the character U+FEFF keeps it: only the file's own
// byte order mark is left out, and that before any decoding.
QString decodeUtf8(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\v' || u == '\f';
}

// Blanks, tabs and the other ASCII white space removed from both ends.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

enum class Kind { Blank, Comment, Section, Key, Other };

struct Line {
    QByteArray text;  // without the line break
    QByteArray eol;   // "\r\n", "\n" or empty for a last line without a break
    Kind kind = Kind::Other;
    QString name;     // a section's name, trimmed
    // Of a key line: the bytes of the trimmed key and of the text after the first "=".
    qsizetype keyBegin = 0, keyEnd = 0, valueBegin = 0, valueEnd = 0;
};

// The file split into lines, each classified. The file is UTF-8 when it decodes as such,
// otherwise 8-bit Windows-1252 text as a Windows editor writes it.
struct Document {
    QList<Line> lines;
    // The bytes the lines point into, held as long as the document (a copy shares them).
    QByteArray storage;
    bool utf8 = true;
    QByteArray eol = "\r\n";  // the style of the file's first line break
    // The indexes of the section lines in order, kept up to date by every change, so that a
    // section is found without a pass over a large file's every line.
    QList<qsizetype> sections;

    QString decode(const QByteArray& bytes) const { return utf8 ? decodeUtf8(bytes) : decodeCp1252(bytes); }
    QByteArray encode(const QString& text) const { return utf8 ? text.toUtf8() : encodeCp1252(text); }
    QString keyName(const Line& line) const { return decode(line.text.mid(line.keyBegin, line.keyEnd - line.keyBegin)); }
    QString rawValue(const Line& line) const
    {
        return decode(line.text.mid(line.valueBegin, line.valueEnd - line.valueBegin));
    }
};

inline bool isBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Classifies a line by its bytes: the markers ";", "[", "]" and "=" and the blanks are
// ASCII, which neither UTF-8 nor Windows-1252 uses inside another character, so only the
// names that are compared need decoding. `skip` leaves out a byte order mark.
void classify(Line& line, const Document& doc, qsizetype skip)
{
    const QByteArray& s = line.text;
    qsizetype b = skip, e = s.size();
    while (b < e && isBlankByte(s[b]))
        ++b;
    while (e > b && isBlankByte(s[e - 1]))
        --e;
    if (b == e) {
        line.kind = Kind::Blank;
    } else if (s[b] == ';') {
        line.kind = Kind::Comment;
    } else if (s[b] == '[') {
        const qsizetype close = s.lastIndexOf(']', e - 1);
        if (close > b) {
            line.kind = Kind::Section;
            line.name = trimBlanks(doc.decode(s.mid(b + 1, close - b - 1)));
        }
    } else {
        const qsizetype eq = s.indexOf('=', b);
        if (eq > b && eq < e) {
            qsizetype keyEnd = eq;
            while (keyEnd > b && isBlankByte(s[keyEnd - 1]))
                --keyEnd;
            if (keyEnd > b) {
                line.kind = Kind::Key;
                line.keyBegin = b;
                line.keyEnd = keyEnd;
                line.valueBegin = eq + 1;
                line.valueEnd = e;
            }
        }
    }
}

std::atomic<int> g_parses{0};

// The lines share the bytes of content, which outlives the document in every caller.
Document parse(const QByteArray& content)
{
    ++g_parses;
    static const QByteArray crlfBreak("\r\n");
    static const QByteArray lfBreak("\n");
    Document doc;
    doc.storage = content;
    doc.utf8 = isValidUtf8(content);
    doc.lines.reserve(content.count('\n') + 1);
    bool styleKnown = false;
    qsizetype pos = 0;
    const char* data = content.constData();
    while (pos < content.size()) {
        const qsizetype nl = content.indexOf('\n', pos);
        Line line;
        if (nl < 0) {
            line.text = QByteArray::fromRawData(data + pos, content.size() - pos);
            pos = content.size();
        } else {
            const bool crlf = nl > pos && content.at(nl - 1) == '\r';
            line.text = QByteArray::fromRawData(data + pos, (crlf ? nl - 1 : nl) - pos);
            line.eol = crlf ? crlfBreak : lfBreak;
            pos = nl + 1;
            if (!styleKnown) {
                doc.eol = line.eol;
                styleKnown = true;
            }
        }
        // A byte order mark is not part of the first line.
        const qsizetype skip = doc.lines.isEmpty() && line.text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        classify(line, doc, skip);
        if (line.kind == Kind::Section)
            doc.sections.append(doc.lines.size());
        doc.lines.append(std::move(line));
    }
    return doc;
}

QByteArray serialize(const Document& doc)
{
    QByteArray out;
    qsizetype size = 0;
    for (const Line& line : doc.lines)
        size += line.text.size() + line.eol.size();
    out.reserve(size);
    for (const Line& line : doc.lines) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The line range [begin, end) of the first section with that name: begin is its header.
bool findSection(const Document& doc, const QString& section, qsizetype& begin, qsizetype& end)
{
    for (qsizetype k = 0; k < doc.sections.size(); ++k) {
        const qsizetype i = doc.sections[k];
        if (sameName(doc.lines[i].name, section)) {
            begin = i;
            end = k + 1 < doc.sections.size() ? doc.sections[k + 1] : doc.lines.size();
            return true;
        }
    }
    return false;
}

qsizetype findKey(const Document& doc, qsizetype begin, qsizetype end, const QString& key)
{
    for (qsizetype i = begin + 1; i < end; ++i)
        if (doc.lines[i].kind == Kind::Key && sameName(doc.keyName(doc.lines[i]), key))
            return i;
    return -1;
}

QString valueAsRead(const QString& raw)
{
    QString value = trimBlanks(raw);
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    if (value.size() > IniProfileService::kMaxValueLength)
        value.truncate(IniProfileService::kMaxValueLength);
    return value;
}

// The text written for a value: one that would not read back as it is (blanks around it,
// or enclosing quotes of its own) is put between double quotes, and a line break, which a
// line cannot hold, becomes a blank.
QString valueAsWritten(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (valueAsRead(value) != value.left(IniProfileService::kMaxValueLength))
        value = QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

// Inserts a line after line index `after` (-1: at the very start), keeping the rule that a
// file without a final line break still has none afterwards.
void insertLine(Document& doc, qsizetype after, const QByteArray& text)
{
    Line line;
    line.text = text;
    line.eol = doc.eol;
    if (after >= 0 && doc.lines[after].eol.isEmpty()) {
        doc.lines[after].eol = doc.eol;
        line.eol.clear();
    }
    classify(line, doc, 0);
    const qsizetype at = after + 1;
    qsizetype k = doc.sections.size();
    while (k > 0 && doc.sections[k - 1] >= at)
        ++doc.sections[--k];
    if (line.kind == Kind::Section)
        doc.sections.insert(k, at);
    doc.lines.insert(at, std::move(line));
}

QString readStringIn(const Document& doc, const QString& section, const QString& key, const QString& defaultValue)
{
    qsizetype begin = 0, end = 0;
    if (!findSection(doc, section, begin, end))
        return defaultValue;
    const qsizetype at = findKey(doc, begin, end, key);
    return at < 0 ? defaultValue : valueAsRead(doc.rawValue(doc.lines[at]));
}

QStringList readSectionKeysIn(const Document& doc, const QString& section)
{
    QStringList names;
    qsizetype begin = 0, end = 0;
    if (!findSection(doc, section, begin, end))
        return names;
    qsizetype used = 1;  // the final terminator
    for (qsizetype i = begin + 1; i < end; ++i) {
        if (doc.lines[i].kind != Kind::Key)
            continue;
        const QString name = doc.keyName(doc.lines[i]);
        if (used + name.size() + 1 > IniProfileService::kKeyListLimit)
            break;
        used += name.size() + 1;
        names.append(name);
    }
    return names;
}

void writeStringIn(Document& doc, const QString& section, const QString& key, const QString& value)
{
    const QString stored = valueAsWritten(value);
    // A Windows-1252 file that cannot hold what is written becomes UTF-8: the rest of its
    // bytes are converted, comments and order kept, and nothing is stored as "?".
    if (!doc.utf8) {
        const auto fits = [](const QString& text) { return decodeCp1252(encodeCp1252(text)) == text; };
        if (!fits(section) || !fits(key) || !fits(stored))
            doc = parse(decodeCp1252(serialize(doc)).toUtf8());
    }
    qsizetype begin = 0, end = 0;
    if (!findSection(doc, section, begin, end)) {
        insertLine(doc, doc.lines.size() - 1, doc.encode(QLatin1Char('[') + section + QLatin1Char(']')));
        insertLine(doc, doc.lines.size() - 1, doc.encode(key + QLatin1Char('=') + stored));
        return;
    }
    const qsizetype at = findKey(doc, begin, end, key);
    if (at >= 0) {
        Line& line = doc.lines[at];
        line.text = doc.encode(doc.keyName(line) + QLatin1Char('=') + stored);
        classify(line, doc, 0);
        return;
    }
    // A new key follows the section's last line that is neither blank nor a comment, so
    // that blank lines and comments in front of the next section stay in front of it.
    qsizetype after = begin;
    for (qsizetype i = begin + 1; i < end; ++i)
        if (doc.lines[i].kind != Kind::Blank && doc.lines[i].kind != Kind::Comment)
            after = i;
    insertLine(doc, after, doc.encode(key + QLatin1Char('=') + stored));
}

bool eraseSectionIn(Document& doc, const QString& section)
{
    bool removed = false;
    qsizetype begin = 0, end = 0;
    while (findSection(doc, section, begin, end)) {
        doc.lines.remove(begin, end - begin);
        const qsizetype k = doc.sections.indexOf(begin);
        doc.sections.remove(k);
        for (qsizetype j = k; j < doc.sections.size(); ++j)
            doc.sections[j] -= end - begin;
        removed = true;
    }
    return removed;
}

// Every change applied to the parsed document; false when none of them asks for a write.
bool applyChangesIn(Document& doc, const QList<IniChange>& changes)
{
    bool write = false;
    for (const IniChange& change : changes) {
        if (change.kind == IniChange::Kind::Write) {
            writeStringIn(doc, change.section, change.key, change.value);
            write = true;
        } else {
            write = eraseSectionIn(doc, change.section) || write;
        }
    }
    return write;
}

}  // namespace

QString readString(const QByteArray& content, const QString& section, const QString& key, const QString& defaultValue)
{
    return readStringIn(parse(content), section, key, defaultValue);
}

QStringList readSectionKeys(const QByteArray& content, const QString& section)
{
    return readSectionKeysIn(parse(content), section);
}

QByteArray writeString(const QByteArray& content, const QString& section, const QString& key, const QString& value)
{
    Document doc = parse(content);
    writeStringIn(doc, section, key, value);
    return serialize(doc);
}

QByteArray eraseSection(const QByteArray& content, const QString& section, bool* changed)
{
    Document doc = parse(content);
    const bool removed = eraseSectionIn(doc, section);
    if (changed)
        *changed = removed;
    return removed ? serialize(doc) : content;
}

QByteArray applyChanges(const QByteArray& content, const QList<IniChange>& changes, bool* needed)
{
    // Parsed once and written out once, however many changes there are.
    Document doc = parse(content);
    const bool write = applyChangesIn(doc, changes);
    if (needed)
        *needed = write;
    return write ? serialize(doc) : content;
}

int parseCount() { return g_parses; }

}  // namespace initext

QString resolveProfilePath(const QString& file)
{
    if (file.contains(QLatin1Char('/')))
        return file;
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || !folder.startsWith(QLatin1Char('/')))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QLatin1Char('/') + file;
}

namespace {

// The last file read, parsed: a start-up reads some twenty keys and a shutdown writes as
// many, and a large file must not be read and parsed once for each. Every call still opens
// the file and compares what it is now (device, inode, size, times) with what was parsed, so
// a change made by anybody else is seen at the next call.
struct ParsedFile {
    QString path;
    FileStamp stamp;
    QByteArray content;  // the lines of doc point into these bytes
    initext::Document doc;
};

std::shared_ptr<const ParsedFile>& lastParsed()
{
    static std::shared_ptr<const ParsedFile> parsed;
    return parsed;
}

enum class ReadResult { Missing, Read, Unreadable };

// The file parsed, or Missing when there is none. A file that is not ours to use (another
// user's, a FIFO, a device, one beyond the size limit) or a folder in its place is
// Unreadable: reads see defaults, and writes are refused, so it is never replaced.
ReadResult readParsed(const QString& path, std::shared_ptr<const ParsedFile>& parsed)
{
    parsed.reset();
    std::shared_ptr<const ParsedFile>& cached = lastParsed();
    const FileStamp* known = cached && cached->path == path ? &cached->stamp : nullptr;
    QByteArray content;
    FileStamp stamp;
    switch (readOwnFile(path, content, &stamp, known)) {
    case OwnReadResult::Missing: return ReadResult::Missing;
    case OwnReadResult::Refused: return ReadResult::Unreadable;
    case OwnReadResult::Read: break;
    }
    if (known && *known == stamp) {
        parsed = cached;
        return ReadResult::Read;
    }
    auto file = std::make_shared<ParsedFile>();
    file->path = path;
    file->stamp = stamp;
    file->content = content;
    file->doc = initext::parse(file->content);
    cached = file;
    parsed = std::move(file);
    return ReadResult::Read;
}

// An exclusive lock on the folder of the settings file, held from the read to the rename, so
// that two instances that write at the same time each change the latest file. A folder that
// cannot be locked within a few seconds (somebody else holds it) is written without it.
class FolderLock {
public:
    explicit FolderLock(const QString& path)
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        fd_ = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0)
            return;
        for (int attempt = 0; attempt < 500; ++attempt) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return;
            if (errno != EWOULDBLOCK && errno != EINTR)
                break;
            ::usleep(10000);
        }
        ::close(fd_);
        fd_ = -1;
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_);  // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Replaces the file's content; an existing file that cannot be read is never overwritten,
// since its other settings would be lost.
void writeProfile(const QString& file, const QList<IniChange>& changes)
{
    const QString path = resolveProfilePath(file);
    const FolderLock lock(path);
    std::shared_ptr<const ParsedFile> parsed;
    const ReadResult state = readParsed(path, parsed);
    if (state == ReadResult::Unreadable)
        throw SettingsWriteError(file);
    initext::Document doc = parsed ? parsed->doc : initext::parse(QByteArray());
    if (!initext::applyChangesIn(doc, changes))
        return;
    const QByteArray updated = initext::serialize(doc);
    lastParsed().reset();
    if (!file.contains(QLatin1Char('/')))
        QDir().mkpath(QFileInfo(path).absolutePath());
    if (!writeFileAtomically(path, updated))
        throw SettingsWriteError(file);
}

}  // namespace

QString FileIniProfileService::readString(const QString& file, const QString& section, const QString& key,
                                          const QString& defaultValue)
{
    std::shared_ptr<const ParsedFile> parsed;
    if (readParsed(resolveProfilePath(file), parsed) != ReadResult::Read)
        return defaultValue;
    return initext::readStringIn(parsed->doc, section, key, defaultValue);
}

QStringList FileIniProfileService::readSectionKeys(const QString& file, const QString& section)
{
    std::shared_ptr<const ParsedFile> parsed;
    if (readParsed(resolveProfilePath(file), parsed) != ReadResult::Read)
        return {};
    return initext::readSectionKeysIn(parsed->doc, section);
}

void FileIniProfileService::writeString(const QString& file, const QString& section, const QString& key,
                                        const QString& value)
{
    writeProfile(file, {{IniChange::Kind::Write, section, key, value}});
}

void FileIniProfileService::eraseSection(const QString& file, const QString& section)
{
    writeProfile(file, {{IniChange::Kind::EraseSection, section, {}, {}}});
}

void FileIniProfileService::writeChanges(const QString& file, const QList<IniChange>& changes)
{
    if (changes.isEmpty())
        return;
    writeProfile(file, changes);
}

const QByteArray* MemoryIniProfileService::readable(const QString& file) const
{
    if (unreadable.count(file))
        return nullptr;
    const auto it = files.find(file);
    return it == files.end() ? nullptr : &it->second;
}

// Called once the change is known to be needed; an unreadable file is refused earlier.
void MemoryIniProfileService::checkWritable(const QString& file) const
{
    if (refuseWrites && refuseWrites(file))
        throw SettingsWriteError(file);
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    const QString folder = file.left(slash);
    if (folders.count(folder) || files.count(file))
        return;
    for (const auto& [name, bytes] : files)
        if (name.lastIndexOf(QLatin1Char('/')) == slash && name.startsWith(folder + QLatin1Char('/')))
            return;
    throw SettingsWriteError(file);
}

QString MemoryIniProfileService::readString(const QString& file, const QString& section, const QString& key,
                                            const QString& defaultValue)
{
    calls.append(QStringLiteral("read %1/%2").arg(section, key));
    const QByteArray* content = readable(file);
    return content ? initext::readString(*content, section, key, defaultValue) : defaultValue;
}

QStringList MemoryIniProfileService::readSectionKeys(const QString& file, const QString& section)
{
    calls.append(QStringLiteral("keys %1").arg(section));
    const QByteArray* content = readable(file);
    return content ? initext::readSectionKeys(*content, section) : QStringList();
}

void MemoryIniProfileService::writeString(const QString& file, const QString& section, const QString& key,
                                          const QString& value)
{
    calls.append(QStringLiteral("write %1/%2=%3").arg(section, key, value));
    if (unreadable.count(file))
        throw SettingsWriteError(file);
    checkWritable(file);
    files[file] = initext::writeString(files[file], section, key, value);
    ++fileWrites;
}

void MemoryIniProfileService::eraseSection(const QString& file, const QString& section)
{
    calls.append(QStringLiteral("erase %1").arg(section));
    if (unreadable.count(file))
        throw SettingsWriteError(file);
    const auto it = files.find(file);
    if (it == files.end())
        return;
    bool needed = true;
    const QByteArray updated = initext::eraseSection(it->second, section, &needed);
    if (!needed)
        return;
    checkWritable(file);
    it->second = updated;
    ++fileWrites;
}

void MemoryIniProfileService::writeChanges(const QString& file, const QList<IniChange>& changes)
{
    if (changes.isEmpty())
        return;
    for (const IniChange& change : changes) {
        if (change.kind == IniChange::Kind::Write)
            calls.append(QStringLiteral("write %1/%2=%3").arg(change.section, change.key, change.value));
        else
            calls.append(QStringLiteral("erase %1").arg(change.section));
    }
    if (unreadable.count(file))
        throw SettingsWriteError(file);
    const auto it = files.find(file);
    bool needed = true;
    const QByteArray updated = initext::applyChanges(it == files.end() ? QByteArray() : it->second, changes, &needed);
    if (!needed)
        return;
    checkWritable(file);
    files[file] = updated;
    ++fileWrites;
}

QList<IniChange>& IniBatch::changesOf(const QString& file)
{
    for (auto& entry : files_)
        if (entry.first == file)
            return entry.second;
    files_.append({file, {}});
    return files_.back().second;
}

QString IniBatch::readString(const QString& file, const QString& section, const QString& key,
                             const QString& defaultValue)
{
    return below_.readString(file, section, key, defaultValue);
}

QStringList IniBatch::readSectionKeys(const QString& file, const QString& section)
{
    return below_.readSectionKeys(file, section);
}

void IniBatch::writeString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    changesOf(file).append({IniChange::Kind::Write, section, key, value});
}

void IniBatch::eraseSection(const QString& file, const QString& section)
{
    changesOf(file).append({IniChange::Kind::EraseSection, section, {}, {}});
}

void IniBatch::writeChanges(const QString& file, const QList<IniChange>& changes) { changesOf(file).append(changes); }

void IniBatch::commit()
{
    const auto files = std::exchange(files_, {});
    for (const auto& [file, changes] : files)
        below_.writeChanges(file, changes);
}

bool parseProfileInteger(const QString& text, int& value)
{
    QString s = text;
    // "0x1F" stands for "$1F", but only when something follows the prefix.
    if (s.size() > 2 && s[0] == QLatin1Char('0') && (s[1] == QLatin1Char('x') || s[1] == QLatin1Char('X')))
        s = QLatin1Char('$') + s.mid(2);
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    const bool hex = i < s.size() && s[i] == QLatin1Char('$');
    if (hex)
        ++i;
    if (i >= s.size())
        return false;
    std::uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        int digit = -1;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (hex && c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            digit = c.unicode() - 'a' + 10;
        else if (hex && c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            digit = c.unicode() - 'A' + 10;
        if (digit < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + std::uint64_t(digit);
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        // Hexadecimal covers all 32 bits: "$FFFFFFFF" is -1.
        std::uint32_t bits = std::uint32_t(magnitude);
        if (negative)
            bits = 0u - bits;
        value = std::int32_t(bits);
        return true;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull))
        return false;
    value = int(negative ? -std::int64_t(magnitude) : std::int64_t(magnitude));
    return true;
}

}  // namespace platform
