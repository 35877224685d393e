// Fuzz target of the recovery journal reader: journals built from the input with records
// whose checksums hold (so that the reader's checks of their content are reached), mixed
// with raw bytes, cut at a point the input picks; or the input itself as a journal.
//
// Checked for every input:
// - the reader never reads past the input and reports where the last whole record ends;
// - reading just that prefix gives the same journal again;
// - every edit it returns fits the text before it, and replaying it by the plain model
//   and by the editor's text buffer gives the same text, breaks and kinds;
// - a journal the reader refuses has no whole header and base.

#include "document/documentjournal.h"
#include "recovery/journalformat.h"
#include "tests/fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <limits>

namespace {

QByteArray validKinds(FuzzedDataProvider& in, const QByteArray& text)
{
    QByteArray kinds;
    for (qsizetype i = text.count('\r'); i > 0; --i)
        kinds.append(char(in.ConsumeIntegralInRange<int>(0, 2)));
    return kinds;
}

QByteArray buildJournal(FuzzedDataProvider& in)
{
    recovery::JournalHeader header;
    header.pid = in.ConsumeIntegral<quint32>();
    header.utf8 = in.ConsumeBool();
    header.caption = QString::fromUtf8(QByteArray::fromStdString(in.ConsumeRandomLengthString(40)));
    const QByteArray base = QByteArray::fromStdString(in.ConsumeRandomLengthString(200));
    QByteArray head, tail;
    const QByteArray kinds = validKinds(in, base);
    recovery::encodeBase(base, kinds, &head, &tail);
    QByteArray journal = recovery::encodeHeader(header) + head + base + kinds + tail;
    qint64 length = base.size();
    while (in.remaining_bytes() > 0) {
        const int choice = in.ConsumeIntegralInRange<int>(0, 9);
        if (choice == 0) {
            journal += QByteArray::fromStdString(in.ConsumeRandomLengthString(20));
            continue;
        }
        recovery::JournalEdit edit;
        // Mostly edits that fit, some that do not.
        edit.pos = choice == 1 ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(0, int(length));
        edit.removed = choice == 2 ? in.ConsumeIntegral<int>()
                                   : in.ConsumeIntegralInRange<int>(
                                         0, int(std::clamp<qint64>(length - edit.pos, 0, std::numeric_limits<int>::max())));
        edit.text = QByteArray::fromStdString(in.ConsumeRandomLengthString(30));
        edit.kinds = choice == 3 ? QByteArray::fromStdString(in.ConsumeRandomLengthString(4)) : validKinds(in, edit.text);
        if (edit.pos >= 0 && edit.removed >= 0 && edit.pos + qint64(edit.removed) <= length)
            length += edit.text.size() - edit.removed;
        journal += recovery::encodeEdit(edit);
    }
    return journal;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray journal;
    if (input.startsWith(recovery::kJournalMagic)) {
        journal = input;
    } else {
        FuzzedDataProvider in(data, size);
        const std::uint16_t cut = in.ConsumeIntegral<std::uint16_t>();
        journal = buildJournal(in);
        if (cut < journal.size())
            journal.truncate(cut);
    }
    const QString where = QStringLiteral("journal %1").arg(fuzz::show(journal));

    const std::optional<recovery::JournalContents> contents = recovery::readJournal(journal);
    if (!contents)
        return 0;
    FUZZ_CHECK(contents->validBytes > 0 && contents->validBytes <= journal.size(), where);
    const std::optional<recovery::JournalContents> again = recovery::readJournal(journal.first(contents->validBytes));
    FUZZ_CHECK(again && again->edits.size() == contents->edits.size() && again->validBytes == contents->validBytes,
               where);

    qint64 length = contents->baseText.size();
    FUZZ_CHECK(contents->baseKinds.size() == contents->baseText.count('\r'), where);
    for (const recovery::JournalEdit& edit : contents->edits) {
        FUZZ_CHECK(edit.pos >= 0 && edit.removed >= 0 && edit.pos + qint64(edit.removed) <= length, where);
        FUZZ_CHECK(edit.kinds.size() == edit.text.count('\r'), where);
        length += edit.text.size() - edit.removed;
    }
    QByteArray text, kinds;
    recovery::replayPlain(*contents, &text, &kinds);
    FUZZ_CHECK(text.size() == length, where);
    const editor::TextBuffer buffer = replayJournal(*contents);
    FUZZ_CHECK(buffer.text() == text, where);
    FUZZ_CHECK(buffer.kindsIn(0, buffer.length()) == kinds, where);
    return 0;
}
