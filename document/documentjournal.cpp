#include "document/documentjournal.h"

#include <QFile>

recovery::JournalEdit journalEditOf(const editor::TextBuffer& buffer, const editor::TextChange& change)
{
    recovery::JournalEdit edit;
    edit.pos = change.pos;
    edit.removed = change.removed;
    if (change.inserted > 0) {
        edit.text = buffer.text(change.pos, change.inserted);
        edit.kinds = buffer.kindsIn(change.pos, change.inserted);
    }
    return edit;
}

std::shared_ptr<recovery::Snapshot> journalSnapshotOf(const editor::TextBuffer& buffer, recovery::JournalHeader header)
{
    auto snapshot = std::make_shared<recovery::Snapshot>();
    snapshot->header = std::move(header);
    snapshot->text = buffer.text();
    snapshot->kinds = buffer.kindsIn(0, buffer.length());
    return snapshot;
}

editor::TextBuffer replayJournal(const recovery::JournalContents& contents)
{
    editor::TextBuffer buffer;
    buffer.insert(0, contents.baseText, editor::BreakKind::CrLf, contents.baseKinds);
    for (const recovery::JournalEdit& edit : contents.edits) {
        if (edit.removed > 0)
            buffer.erase(edit.pos, edit.removed);
        if (!edit.text.isEmpty())
            buffer.insert(edit.pos, edit.text, editor::BreakKind::CrLf, edit.kinds);
    }
    return buffer;
}

std::shared_ptr<recovery::Snapshot> journalSourceOf(const QString& path, const platform::FileStamp& stamp,
                                                    recovery::JournalHeader header)
{
    auto snapshot = std::make_shared<recovery::Snapshot>();
    const bool mark = header.byteOrderMark;
    snapshot->header = std::move(header);
    snapshot->load = [path, stamp, mark](QByteArray* text, QByteArray* kinds) {
        if (!stamp.exists || !(platform::fileStamp(path) == stamp))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > editor::TextBuffer::kMaxLength + 3)
            return false;
        // Read whole and turned into the editor's form in place, as loading does: CR LF, LF
        // and CR each become one CR, its kind noted; the byte order mark is not text.
        QByteArray bytes = file.readAll();
        if (file.error() != QFile::NoError)
            return false;
        if (mark) {
            if (!bytes.startsWith("\xEF\xBB\xBF"))
                return false;
            bytes.remove(0, 3);
        }
        QByteArray breaks;
        char* data = bytes.data();
        const qsizetype size = bytes.size();
        qsizetype out = 0;
        for (qsizetype in = 0; in < size; ++in) {
            const char c = data[in];
            if (c == '\r') {
                const bool pair = in + 1 < size && data[in + 1] == '\n';
                breaks.append(char(pair ? editor::BreakKind::CrLf : editor::BreakKind::Cr));
                in += pair ? 1 : 0;
                data[out++] = '\r';
            } else if (c == '\n') {
                breaks.append(char(editor::BreakKind::Lf));
                data[out++] = '\r';
            } else {
                data[out++] = c;
            }
        }
        bytes.truncate(out);
        if (bytes.size() > editor::TextBuffer::kMaxLength)
            return false;
        // Changed while it was read: not the text the window has.
        if (!(platform::fileStamp(path) == stamp))
            return false;
        *text = std::move(bytes);
        *kinds = std::move(breaks);
        return true;
    };
    return snapshot;
}
