// Fuzz target of the plain-text load and save of the text buffer: the input is a file's
// content (random bytes, any mix of CR LF, LF and CR). It is loaded in pieces of random
// sizes (so that a CR LF can fall across two pieces), and checked:
// - saving writes back exactly the bytes that were loaded, in blocks of any size;
// - the text holds one break (CR) for each CR LF, LF or CR, the line index agrees with
//   the text, and each break keeps the kind it had in the file;
// - loading in one piece and in many gives the same buffer;
// - random edits through the document, all undone, save the original bytes again, and
//   all redone, the same bytes as before the undo.

#include "editor/textbuffer.h"
#include "editor/textdocument.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

using editor::BreakKind;
using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextDocument;

namespace {

QByteArray saved(const TextBuffer& buffer, qint64 blockSize)
{
    QByteArray out;
    const bool ok = buffer.write(
        [&](const char* data, qint64 size) {
            FUZZ_CHECK(size > 0 && size <= blockSize, QStringLiteral("block of %1 bytes").arg(size));
            out.append(data, size);
            return true;
        },
        blockSize);
    FUZZ_CHECK(ok, QStringLiteral("write failed"));
    return out;
}

// The breaks of a file as the load rule reads them: each CR LF, LF or CR is one.
std::vector<BreakKind> breaksOf(const QByteArray& file)
{
    std::vector<BreakKind> kinds;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] == '\n') {
            kinds.push_back(BreakKind::Lf);
        } else if (file[i] == '\r') {
            const bool pair = i + 1 < file.size() && file[i + 1] == '\n';
            kinds.push_back(pair ? BreakKind::CrLf : BreakKind::Cr);
            i += pair ? 1 : 0;
        }
    }
    return kinds;
}

void checkIndex(const TextBuffer& buffer, const QString& where)
{
    const QByteArray text = buffer.text();
    FUZZ_CHECK(text.size() == buffer.length(), where);
    int line = 0;
    for (int pos = 0; pos < text.size(); ++pos) {
        FUZZ_CHECK(buffer.at(pos) == text[pos], where);
        // A break belongs to the line it ends.
        FUZZ_CHECK(buffer.lineOf(pos) == line, where + QStringLiteral(" lineOf(%1)").arg(pos));
        if (text[pos] == TextBuffer::kBreak) {
            FUZZ_CHECK(buffer.breakPos(line) == pos, where + QStringLiteral(" break %1 at %2").arg(line).arg(pos));
            FUZZ_CHECK(buffer.lineEnd(line) == pos && buffer.lineStart(line + 1) == pos + 1, where);
            ++line;
        }
    }
    FUZZ_CHECK(buffer.breakCount() == line && buffer.lineCount() == line + 1, where);
    FUZZ_CHECK(buffer.lineEnd(line) == buffer.length(), where);
}

QByteArray randomText(fuzz::Rng& rng)
{
    static const char kPieces[][4] = {"a", "\r", "\n", "\r\n", "\xE4", " ", "\0", "xyz"};
    QByteArray text;
    const int n = rng.below(6);
    for (int i = 0; i < n; ++i) {
        const int k = rng.below(int(std::size(kPieces)));
        text.append(kPieces[k], k == 6 ? 1 : qsizetype(std::strlen(kPieces[k])));
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::Rng rng(fuzz::Rng::hash(data, size));
    const QString where = QStringLiteral("file %1").arg(fuzz::show(file));

    // Loaded in one piece and in pieces of random sizes.
    TextBuffer whole;
    whole.beginLoad(file.size());
    whole.appendRaw(file.constData(), file.size());
    whole.finishLoad();

    TextBuffer pieces;
    pieces.beginLoad(rng.below(2) ? file.size() : rng.below(int(file.size()) + 1));
    for (qsizetype pos = 0; pos < file.size();) {
        const qsizetype n = std::min<qsizetype>(file.size() - pos, 1 + rng.below(rng.below(2) ? 3 : 64));
        pieces.appendRaw(file.constData() + pos, n);
        pos += n;
    }
    pieces.finishLoad();

    const std::vector<BreakKind> kinds = breaksOf(file);
    int breaks = 0;
    const QByteArray normal = editor::normalizeBreaks(file, &breaks);
    for (const TextBuffer* buffer : {&whole, &pieces}) {
        FUZZ_CHECK(buffer->text() == normal, where + QStringLiteral(" text %1").arg(fuzz::show(buffer->text())));
        FUZZ_CHECK(buffer->breakCount() == int(kinds.size()) && breaks == int(kinds.size()), where);
        for (int i = 0; i < buffer->breakCount(); ++i)
            FUZZ_CHECK(buffer->breakKind(i) == kinds[size_t(i)], where + QStringLiteral(" kind of break %1").arg(i));
        checkIndex(*buffer, where);
        const qint64 block = 1 + rng.below(rng.below(2) ? 7 : 4096);
        const QByteArray out = saved(*buffer, block);
        FUZZ_CHECK(out == file, where + QStringLiteral(" saved as %1 (block %2)").arg(fuzz::show(out)).arg(block));
    }

    // Edits through the document, then all undone and all redone.
    TextDocument doc;
    doc.adopt(std::move(pieces));
    const int edits = rng.below(12);
    for (int i = 0; i < edits; ++i) {
        const int pos = rng.below(doc.length() + 1);
        const int len = rng.below(doc.length() - pos + 1);
        doc.replace(pos, len, randomText(rng), EditOrigin(rng.below(4)));
        checkIndex(doc.buffer(), where + QStringLiteral(" after edit %1").arg(i));
    }
    const QByteArray edited = saved(doc.buffer(), 1 << 20);
    // Fewer edits than the history holds: undoing all of them gives the file back.
    while (doc.undo(nullptr)) {
    }
    checkIndex(doc.buffer(), where + QStringLiteral(" after undo"));
    const QByteArray back = saved(doc.buffer(), 1 << 20);
    FUZZ_CHECK(back == file, where + QStringLiteral(" after undoing all: %1").arg(fuzz::show(back)));
    while (doc.redo(nullptr)) {
    }
    checkIndex(doc.buffer(), where + QStringLiteral(" after redo"));
    const QByteArray again = saved(doc.buffer(), 1 << 20);
    FUZZ_CHECK(again == edited, where + QStringLiteral(" after redoing all: %1, edited %2").arg(fuzz::show(again), fuzz::show(edited)));
    return 0;
}
