#include "document/documentjournal.h"

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
