#pragma once

#include "editor/textbuffer.h"
#include "editor/textdocument.h"
#include "recovery/journal.h"

#include <memory>

// Between an editor's text and its recovery journal: the records of its edits and
// snapshots, and the text rebuilt from a journal.

// The edit [pos, pos+removed) -> [pos, pos+inserted) as the journal keeps it, read from
// the buffer after the edit.
recovery::JournalEdit journalEditOf(const editor::TextBuffer& buffer, const editor::TextChange& change);

// The whole text with its breaks' kinds and the given header.
std::shared_ptr<recovery::Snapshot> journalSnapshotOf(const editor::TextBuffer& buffer, recovery::JournalHeader header);

// The text as the file at path holds it, taken by the writer thread, as long as the file
// still has the stamp it had when it was read or written (header says how: the byte order
// mark is left out of the text when it has one).
std::shared_ptr<recovery::Snapshot> journalSourceOf(const QString& path, const platform::FileStamp& stamp,
                                                    recovery::JournalHeader header);

// The text a journal holds, with every break of its kind.
editor::TextBuffer replayJournal(const recovery::JournalContents& contents);
