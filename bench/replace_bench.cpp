// "Alle ersetzen" on a 50 MB document with 100,000 matches, the way the replace dialog
// does it: the matches replaced in the text's bytes, then put into the editor as one
// undo step; and undoing it. bench_replace_bench [MB] [matches]
#include "document/textreplace.h"
#include "editor/texteditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

// One "Alle ersetzen": the figure in milliseconds and the matches it replaced.
std::pair<double, int> replaceAll(TTextEditor& editor, const QString& pattern, const QString& by, ReplaceOptions options)
{
    QElapsedTimer t;
    t.start();
    const TextMatcher matcher(pattern, options, editor.Encoding());
    const std::clock_t cpu = std::clock();
    const editor::TextBuffer& buffer = editor.buffer();
    QByteArray copy;
    QByteArrayView whole = buffer.partBeforeGap();
    if (!buffer.partAfterGap().isEmpty()) {
        copy = buffer.text();
        whole = copy;
    }
    const TextMatcher::AllResult result = matcher.replaceAll(whole, by);
    if (result.count > 0) {
        const int start = editor.charPosOf(result.from);
        editor.setSelectionStart(start);
        editor.setSelectionLength(editor.charPosOf(result.to) - start);
        editor.setSelectionText(result.replaced);
    }
    const double wall = double(t.nsecsElapsed()) / 1e6;
    // On a busy machine the wall clock counts the waits for the processor as well.
    std::printf("    (processor time %.1f ms)\n", double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    return {wall, result.count};
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const int matches = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray line = "Ein Satz ohne das gesuchte Wort, nur Text zum F\xFCllen.\r\n";
        const QByteArray hit = "Hier steht das Zielwort einmal.\r\n";
        const qint64 total = qint64(megabytes) << 20;
        const qint64 every = total / matches;
        qint64 written = 0;
        for (int m = 0; m < matches; ++m) {
            f.write(hit);
            written += hit.size();
            for (qint64 next = qint64(m + 1) * every; written < next; written += line.size())
                f.write(line);
        }
    }

    TTextEditor editor;
    editor.resize(800, 600);
    editor.setUndoLimit(50);
    editor.show();
    editor.Lines().LoadTextFile(path);
    QApplication::processEvents();

    std::printf("Alle ersetzen, %d MB, Windows-1252 (goal: at most 300 ms for 100,000 matches)\n", megabytes);
    auto [ms, count] = replaceAll(editor, QStringLiteral("zielwort"), QStringLiteral("Ersatzwort"), {});
    std::printf("  without regard to case: %8.1f ms, %d matches\n", ms, count);
    QElapsedTimer t;
    t.start();
    editor.UndoLastStep();
    std::printf("  undoing it:              %8.1f ms\n", double(t.nsecsElapsed()) / 1e6);
    std::tie(ms, count) = replaceAll(editor, QStringLiteral("Zielwort"), QStringLiteral("Ersatzwort"), {true, false, false});
    std::printf("  matching case:           %8.1f ms, %d matches\n", ms, count);
    editor.UndoLastStep();
    std::tie(ms, count) = replaceAll(editor, QStringLiteral("Zielwort"), QStringLiteral("Ersatzwort"), {true, true, false});
    std::printf("  whole words:             %8.1f ms, %d matches\n", ms, count);
    editor.UndoLastStep();
    std::tie(ms, count) = replaceAll(editor, QStringLiteral("Ziel(wort)"), QStringLiteral("Ersatz\\1"), {true, false, true});
    std::printf("  regular expression:      %8.1f ms, %d matches (no goal)\n", ms, count);
    return 0;
}
