#pragma once

#include "platform/journalfile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

// The recovery journal of one document: enough to rebuild its exact text without its file.
//
// Format. A journal is one file in the recovery folder, named "journal-<pid>-<n>.vnj":
//
//   magic     8 bytes "VNXJRNL1"
//   records   each:  type (1 byte) | payload length (u32) | payload | CRC-32 (u32)
//             the checksum covers type, length and payload; numbers are little-endian.
//
//   'H' header   pid (u64) | encoding (u8: 0 Windows-1252, 1 UTF-8) | byte order mark (u8)
//                | the base file's stamp: exists (u8), device (u64), inode (u64), size (i64),
//                  mtime ns (i64), ctime ns (i64) | caption length (u32) | caption (UTF-8)
//   'B' base     text length (u32) | text | kinds
//   'E' edit     pos (u32) | removed (u32) | text length (u32) | text | kinds
//
// Text is the editor's: bytes in the document's encoding with every line break as one CR;
// kinds holds one byte per CR of its text, the break's kind in the file (0 CR LF, 1 LF,
// 2 CR). An edit replaced [pos, pos+removed) of the text before it with its text; what it
// removed is never stored, so replacing a whole text costs only the new one.
//
// A file always begins with the magic, one 'H' and one 'B': it is written under a name
// ending ".new" and renamed into place only once that much is on the disk. Edits are then
// appended, each group followed by fdatasync. A reader takes the records in order while
// each is whole, its checksum holds and its edit fits the text; the first one that does
// not ends the journal, so a file cut anywhere (a power cut mid-write) replays to the last
// complete record and never to garbage. A file without a whole 'H' and 'B' is damaged.
namespace recovery {

struct JournalHeader {
    quint64 pid = 0;
    bool utf8 = false;
    bool byteOrderMark = false;
    // The file the base text came from, as stat() saw it when it was loaded or saved.
    platform::FileStamp baseFile;
    QString caption;
};

struct JournalEdit {
    int pos = 0;
    int removed = 0;
    QByteArray text;
    QByteArray kinds;
};

struct JournalContents {
    JournalHeader header;
    QByteArray baseText;
    QByteArray baseKinds;
    std::vector<JournalEdit> edits;
    qint64 validBytes = 0;  // where the last complete record ends
};

inline constexpr char kJournalMagic[] = "VNXJRNL1";
inline constexpr int kJournalMagicSize = 8;
inline constexpr char kBreak = '\r';

quint32 crc32(quint32 crc, QByteArrayView bytes);

QByteArray encodeHeader(const JournalHeader& header);  // magic and 'H' record
QByteArray encodeEdit(const JournalEdit& edit);        // one 'E' record
// The 'B' record in three parts, so that a large text is never copied once more:
// head, then the text and kinds as they are, then tail.
void encodeBase(QByteArrayView text, QByteArrayView kinds, QByteArray* head, QByteArray* tail);

// The journal in bytes, as far as it is whole; nothing when it is damaged (problem says why).
std::optional<JournalContents> readJournal(QByteArrayView bytes, QString* problem = nullptr);

// The text and its kinds after every edit, by a plain model that moves the bytes behind
// each edit (fine for tests and small texts; the program replays into its text buffer).
void replayPlain(const JournalContents& contents, QByteArray* text, QByteArray* kinds);

}  // namespace recovery
