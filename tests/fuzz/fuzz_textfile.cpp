// Fuzz target of the editor control's plain-text load and save (its Lines object): the
// input is a file's content, random bytes with any mix of CR LF, LF and CR. It is loaded
// from a memory stream, from a pipe-like stream that hands out short pieces and cannot
// seek, or from a real file, with word wrap and link detection switched at random, and
// saved to a memory stream or a real file. Checked:
// - the encoding is the one the recognition rule gives (UTF-8 with or without its mark, or
//   Windows-1252), and a UTF-8 text's length counts code points;
// - the saved bytes are the loaded ones, byte for byte;
// - the text is the file's (behind a UTF-8 mark) with each break as one CR, and the lines
//   are its lines;
// - a few edits, all undone, save the file's bytes again;
// - painting the control over any text works.

#include "editor/texteditor.h"
#include "editor/utf8text.h"
#include "tests/fuzz/fuzzcheck.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

namespace {

// A stream that cannot seek and hands out its bytes in pieces of random sizes.
class TrickleDevice : public QIODevice {
public:
    TrickleDevice(const QByteArray& data, fuzz::Rng& rng) : data_(data), rng_(rng) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>({max, data_.size() - pos_, 1 + rng_.below(rng_.below(2) ? 5 : 5000)});
        std::memcpy(out, data_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 pos_ = 0;
    fuzz::Rng& rng_;
};

QApplication* app = nullptr;
TCustomTextEditor* theEditor = nullptr;
QTemporaryDir* folder = nullptr;

QByteArray randomText(fuzz::Rng& rng)
{
    static const char kPieces[][5] = {"a", "\r", "\n", "\r\n", "\xE4", " ", "\t", "http"};
    QByteArray text;
    const int n = rng.below(6);
    for (int i = 0; i < n; ++i)
        text.append(kPieces[rng.below(int(std::size(kPieces)))]);
    return text;
}

QByteArray save(fuzz::Rng& rng, const QString& where)
{
    if (rng.below(4) == 0) {
        const QString path = folder->filePath(QStringLiteral("saved.txt"));
        theEditor->Lines().SaveTextFile(path);
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::ReadOnly), where + QStringLiteral(" saved file missing"));
        return f.readAll();
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    theEditor->Lines().SaveTextStream(out);
    return out.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_textfile";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    theEditor = new TCustomTextEditor;
    theEditor->resize(320, 200);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::Rng rng(fuzz::Rng::hash(data, size));
    QString where = QStringLiteral("file %1").arg(fuzz::show(file));

    theEditor->setWordWrap(rng.below(2) == 1);
    theEditor->setAutoURLDetect(TAutoURLDetect(rng.below(3)));
    switch (rng.below(3)) {
    case 0: {
        QBuffer in;
        in.setData(file);
        in.open(QIODevice::ReadOnly);
        theEditor->Lines().LoadTextStream(in);
        break;
    }
    case 1: {
        TrickleDevice in(file, rng);
        in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        theEditor->Lines().LoadTextStream(in);
        break;
    }
    default: {
        const QString path = folder->filePath(QStringLiteral("loaded.txt"));
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(file) == file.size(), path);
        f.close();
        theEditor->Lines().LoadTextFile(path);
        break;
    }
    }
    where += QStringLiteral(" (wrap %1, links %2)").arg(theEditor->WordWrap()).arg(int(theEditor->AutoURLDetect()));

    // The encoding the rule decides on.
    const editor::EncodingGuess guess = editor::guessEncoding(file);
    FUZZ_CHECK(theEditor->Encoding() == guess.encoding && theEditor->ByteOrderMark() == guess.byteOrderMark,
               where + QStringLiteral(" encoding %1 mark %2").arg(int(theEditor->Encoding())).arg(theEditor->ByteOrderMark()));
    where += QStringLiteral(" (encoding %1)").arg(int(guess.encoding));

    // The text, with one CR for each break, and its lines.
    const QByteArray text = editor::normalizeBreaks(guess.byteOrderMark ? QByteArrayView(file).sliced(3) : QByteArrayView(file));
    FUZZ_CHECK(theEditor->Lines().Text() == text, where + QStringLiteral(" text %1").arg(fuzz::show(theEditor->Lines().Text())));
    const qint64 textLength = guess.encoding == editor::TextEncoding::Utf8 ? editor::countUtf8Chars(text) : text.size();
    FUZZ_CHECK(theEditor->Lines().TextLength() == textLength, where);
    const int lineCount = theEditor->Lines().LineCount();
    if (!theEditor->WordWrap()) {
        QList<QByteArray> lines = text.split('\r');
        if (lines.last().isEmpty())
            lines.removeLast();
        FUZZ_CHECK(lineCount == lines.size(), where + QStringLiteral(" %1 lines").arg(lineCount));
        for (int i = 0; i < lineCount; ++i)
            FUZZ_CHECK(theEditor->Lines().LineText(i) == lines[i], where + QStringLiteral(" line %1").arg(i));
    } else {
        qsizetype total = 0;
        for (int i = 0; i < lineCount; ++i) {
            const QByteArray line = theEditor->Lines().LineText(i);
            FUZZ_CHECK(!line.contains('\r'), where + QStringLiteral(" display line %1").arg(i));
            total += line.size();
        }
        FUZZ_CHECK(total <= text.size(), where);
    }
    FUZZ_CHECK(theEditor->Lines().LineText(-1).isEmpty() && theEditor->Lines().LineText(lineCount + 1).isEmpty(), where);

    QByteArray saved = save(rng, where);
    FUZZ_CHECK(saved == file, where + QStringLiteral(" saved as %1").arg(fuzz::show(saved)));

    // Edits, all undone, give the file back.
    const int edits = rng.below(5);
    for (int i = 0; i < edits; ++i) {
        const int length = theEditor->Lines().TextLength();
        theEditor->setSelectionStart(rng.below(length + 1));
        theEditor->setSelectionLength(rng.below(length + 1));
        theEditor->setSelectionText(randomText(rng));
    }
    if (rng.below(4) == 0)
        (void)theEditor->grab();  // paints every visible line, links and selection included
    while (theEditor->UndoAvailable())
        theEditor->UndoLastStep();
    saved = save(rng, where);
    FUZZ_CHECK(saved == file, where + QStringLiteral(" after %1 edits undone: %2").arg(edits).arg(fuzz::show(saved)));
    return 0;
}
