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
        if (!file.open(QIODevice::ReadOnly) || file.size() > editor::TextBuffer::kMaxLength)
            return false;
        editor::TextBuffer buffer;
        buffer.beginLoad(file.size());
        QByteArray block(256 * 1024, Qt::Uninitialized);
        bool first = true;
        for (;;) {
            qint64 n = file.read(block.data(), block.size());
            if (n < 0)
                return false;
            if (n == 0)
                break;
            const char* from = block.constData();
            if (first && mark) {
                if (n < 3)
                    return false;
                from += 3;
                n -= 3;
            }
            first = false;
            buffer.appendRaw(from, n);
        }
        buffer.finishLoad();
        // Changed while it was read: not the text the window has.
        if (!(platform::fileStamp(path) == stamp))
            return false;
        *text = buffer.text();
        *kinds = buffer.kindsIn(0, buffer.length());
        return true;
    };
    return snapshot;
}
