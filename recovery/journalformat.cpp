#include "recovery/journalformat.h"

#include <array>
#include <cstring>

namespace recovery {

namespace {

const std::array<quint32, 256>& crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

void putU8(QByteArray& out, quint8 v) { out.append(char(v)); }
void putU32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}
void putU64(QByteArray& out, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// Reads little-endian numbers and byte runs from a payload; ok turns false past its end.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    qsizetype left() const { return bytes_.size() - at_; }
    quint64 number(int size)
    {
        if (left() < size) {
            ok_ = false;
            return 0;
        }
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint64(quint8(bytes_[at_ + i])) << (8 * i);
        at_ += size;
        return v;
    }
    QByteArrayView run(quint64 size)
    {
        if (quint64(left()) < size) {
            ok_ = false;
            return {};
        }
        const QByteArrayView v = bytes_.sliced(at_, qsizetype(size));
        at_ += qsizetype(size);
        return v;
    }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

QByteArray record(char type, const QByteArray& payload)
{
    QByteArray out;
    out.reserve(payload.size() + 9);
    out.append(type);
    putU32(out, quint32(payload.size()));
    out.append(payload);
    putU32(out, crc32(0, out));
    return out;
}

bool kindsFit(QByteArrayView text, QByteArrayView kinds)
{
    if (kinds.size() != text.count(kBreak))
        return false;
    for (const char k : kinds) {
        if (quint8(k) > 2)
            return false;
    }
    return true;
}

}  // namespace

quint32 crc32(quint32 crc, QByteArrayView bytes)
{
    const auto& table = crcTable();
    crc = ~crc;
    for (const char b : bytes)
        crc = table[(crc ^ quint8(b)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

QByteArray encodeHeader(const JournalHeader& header)
{
    QByteArray payload;
    putU64(payload, header.pid);
    putU8(payload, header.utf8 ? 1 : 0);
    putU8(payload, header.byteOrderMark ? 1 : 0);
    const platform::FileStamp& s = header.baseFile;
    putU8(payload, s.exists ? 1 : 0);
    putU64(payload, s.device);
    putU64(payload, s.inode);
    putU64(payload, quint64(s.size));
    putU64(payload, quint64(s.mtimeNs));
    putU64(payload, quint64(s.ctimeNs));
    const QByteArray caption = header.caption.toUtf8();
    putU32(payload, quint32(caption.size()));
    payload.append(caption);
    return QByteArray(kJournalMagic, kJournalMagicSize) + record('H', payload);
}

QByteArray encodeEdit(const JournalEdit& edit)
{
    QByteArray payload;
    payload.reserve(12 + edit.text.size() + edit.kinds.size());
    putU32(payload, quint32(edit.pos));
    putU32(payload, quint32(edit.removed));
    putU32(payload, quint32(edit.text.size()));
    payload.append(edit.text);
    payload.append(edit.kinds);
    return record('E', payload);
}

void encodeBase(QByteArrayView text, QByteArrayView kinds, QByteArray* head, QByteArray* tail)
{
    head->clear();
    head->append('B');
    putU32(*head, quint32(4 + text.size() + kinds.size()));
    putU32(*head, quint32(text.size()));
    quint32 crc = crc32(0, *head);
    crc = crc32(crc, text);
    crc = crc32(crc, kinds);
    tail->clear();
    putU32(*tail, crc);
}

std::optional<JournalContents> readJournal(QByteArrayView bytes, QString* problem)
{
    auto damaged = [problem](const char* why) -> std::optional<JournalContents> {
        if (problem)
            *problem = QString::fromLatin1(why);
        return std::nullopt;
    };
    if (bytes.size() < kJournalMagicSize || std::memcmp(bytes.data(), kJournalMagic, kJournalMagicSize) != 0)
        return damaged("no journal");
    JournalContents contents;
    qsizetype at = kJournalMagicSize;
    qint64 length = 0;  // of the text so far
    int records = 0;
    while (bytes.size() - at >= 9) {
        const char type = bytes[at];
        Reader head(bytes.sliced(at + 1, 4));
        const quint64 size = head.number(4);
        if (quint64(bytes.size() - at) < 9 + size)
            break;  // cut inside this record
        const QByteArrayView whole = bytes.sliced(at, qsizetype(5 + size));
        Reader sum(bytes.sliced(at + 5 + qsizetype(size), 4));
        if (crc32(0, whole) != quint32(sum.number(4)))
            break;
        Reader in(whole.sliced(5));
        if (records == 0) {
            if (type != 'H')
                break;
            JournalHeader& h = contents.header;
            h.pid = in.number(8);
            h.utf8 = in.number(1) != 0;
            h.byteOrderMark = in.number(1) != 0;
            h.baseFile.exists = in.number(1) != 0;
            h.baseFile.device = in.number(8);
            h.baseFile.inode = in.number(8);
            h.baseFile.size = qint64(in.number(8));
            h.baseFile.mtimeNs = qint64(in.number(8));
            h.baseFile.ctimeNs = qint64(in.number(8));
            const quint64 captionSize = in.number(4);
            h.caption = QString::fromUtf8(in.run(captionSize));
            if (!in.ok() || in.left() != 0)
                break;
        } else if (records == 1) {
            if (type != 'B')
                break;
            const quint64 textSize = in.number(4);
            const QByteArrayView text = in.run(textSize);
            const QByteArrayView kinds = in.run(quint64(in.left()));
            if (!in.ok() || !kindsFit(text, kinds))
                break;
            contents.baseText = text.toByteArray();
            contents.baseKinds = kinds.toByteArray();
            length = text.size();
        } else {
            if (type != 'E')
                break;
            JournalEdit edit;
            edit.pos = int(in.number(4));
            edit.removed = int(in.number(4));
            const quint64 textSize = in.number(4);
            const QByteArrayView text = in.run(textSize);
            const QByteArrayView kinds = in.run(quint64(in.left()));
            if (!in.ok() || edit.pos < 0 || edit.removed < 0 || qint64(edit.pos) + edit.removed > length ||
                !kindsFit(text, kinds) || length - edit.removed + text.size() > (qint64(1) << 30) - 1)
                break;
            length += text.size() - edit.removed;
            edit.text = text.toByteArray();
            edit.kinds = kinds.toByteArray();
            contents.edits.push_back(std::move(edit));
        }
        ++records;
        at += qsizetype(9 + size);
        contents.validBytes = at;
    }
    if (records < 2)
        return damaged(records == 0 ? "no header" : "no base text");
    return contents;
}

void replayPlain(const JournalContents& contents, QByteArray* text, QByteArray* kinds)
{
    *text = contents.baseText;
    *kinds = contents.baseKinds;
    for (const JournalEdit& e : contents.edits) {
        const qsizetype breaksBefore = QByteArrayView(*text).first(e.pos).count(kBreak);
        const qsizetype breaksRemoved = QByteArrayView(*text).sliced(e.pos, e.removed).count(kBreak);
        text->replace(e.pos, e.removed, e.text);
        kinds->replace(breaksBefore, breaksRemoved, e.kinds);
    }
}

}  // namespace recovery
