// Searching a 50 MB document for a word that stands only on its last line, the way
// "Weitersuchen" walks it line by line, and loading the same file with link detection on
// and off: bench_search_bench [MB]
#include "document/edittext.h"
#include "editor/texteditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double loadAndShow(const QString& path, TAutoURLDetect mode)
{
    TTextEditor editor;
    editor.resize(800, 600);
    editor.setAutoURLDetect(mode);
    editor.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    editor.Lines().LoadTextFile(path);
    editor.Refresh();
    QApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray line = "Ein Satz mit http://www.beispiel.de und post@beispiel.de drin.\r\n";
        for (qint64 written = 0; written < qint64(megabytes) << 20; written += line.size())
            f.write(line);
        f.write("Hier steht das Suchwort Zielmarke.\r\n");
    }

    TTextEditor editor;
    editor.Lines().LoadTextFile(path);
    TTextEditorLines& lines = editor.Lines();
    const QByteArray pattern = asciiUpper("zielmarke");
    QElapsedTimer t;
    t.start();
    int hitLine = -1, hitColumn = -1;
    const int count = lines.LineCount();
    for (int i = 0; i < count && hitLine < 0; ++i) {
        const int column = findInLine(lines.LineText(i), 0, pattern, false);
        if (column >= 0) {
            hitLine = i;
            hitColumn = column;
        }
    }
    const int position = lines.LineStart(hitLine) + hitColumn;
    const double searchMs = double(t.nsecsElapsed()) / 1e6;
    std::printf("search of %d MB (%d lines): hit at line %d, position %d, %.1f ms (%.0f MB/s)\n", megabytes, count,
                hitLine + 1, position, searchMs, megabytes / (searchMs / 1000.0));

    const double off = std::min(loadAndShow(path, adNone), loadAndShow(path, adNone));
    const double on = std::min(loadAndShow(path, adDefault), loadAndShow(path, adDefault));
    std::printf("load + show: links off %.1f ms, links on %.1f ms, ratio %.3f\n", off, on, on / off);
    return 0;
}
