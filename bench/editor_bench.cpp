// Measures the editor on big files: loading and showing, saving, memory, a long line,
// keystrokes and line lookups. Run: bench_editor_bench [folder for the test files]
#include "editor/texteditor.h"
#include "platform/atomicfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

qint64 residentBytes()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLongLong() * 4096 : 0;
}

QString makeFile(const QString& folder, const QString& name, qint64 size, bool oneLine)
{
    const QString path = folder + "/" + name;
    if (QFileInfo(path).size() == size)
        return path;
    std::mt19937 rng(1);
    QByteArray data;
    data.reserve(size);
    const char* words[] = {"Grüße ", "Straße ", "und ", "der ", "Text ", "€ ", "„Zitat“ ", "Varnotex ", "Zeile "};
    while (data.size() < size) {
        data += words[rng() % 9];
        if (!oneLine && rng() % 10 == 0)
            data += "\r\n";
    }
    data.truncate(size);
    platform::writeFileAtomically(path, data);
    return path;
}

double readAndScan(const QString& path)
{
    QElapsedTimer t;
    t.start();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 breaks = 0;
    qint64 n;
    while ((n = f.read(block.data(), block.size())) > 0) {
        const char* p = block.constData();
        const char* end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))))) {
            ++breaks;
            ++p;
        }
    }
    const double ms = t.nsecsElapsed() / 1e6;
    std::printf("  read + scan: %.1f ms (%lld breaks)\n", ms, breaks);
    return ms;
}

void loadBench(const QString& path)
{
    const qint64 size = QFileInfo(path).size();
    std::printf("%s, %.1f MB\n", qPrintable(QFileInfo(path).fileName()), size / 1e6);
    readAndScan(path);  // warm the page cache
    const double base = readAndScan(path);
    const qint64 rssBefore = residentBytes();
    auto editor = std::make_unique<TTextEditor>();
    editor->resize(900, 700);
    editor->show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    editor->Lines().LoadTextFile(path);
    const double loadOnly = t.nsecsElapsed() / 1e6;
    editor->Refresh();
    const double load = t.nsecsElapsed() / 1e6;
    std::printf("  load: %.1f ms, first paint %.1f ms\n", loadOnly, load - loadOnly);
    const qint64 rss = residentBytes() - rssBefore;
    std::printf("  load + show: %.1f ms = %.2f x read+scan\n", load, load / base);
    std::printf("  memory: buffer and index %.1f MB, resident growth %.1f MB = %.2f x file size\n",
                editor->buffer().memoryUse() / 1e6, rss / 1e6, double(rss) / double(size));

    // Saving against writing the same bytes through the same atomic writer.
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    const QString out = path + ".out";
    t.restart();
    platform::writeFileAtomically(out, bytes);
    const double write = t.nsecsElapsed() / 1e6;
    t.restart();
    editor->Lines().SaveTextFile(out);
    const double save = t.nsecsElapsed() / 1e6;
    std::printf("  write bytes: %.1f ms, save: %.1f ms = %.2f x\n", write, save, save / write);
    QFile::remove(out);

    // Line lookups.
    std::mt19937 rng(2);
    const int lines = editor->Lines().LineCount();
    t.restart();
    qint64 total = 0;
    for (int i = 0; i < 100000; ++i)
        total += editor->Lines().LineText(int(rng() % unsigned(lines))).size();
    std::printf("  LineText: %.2f us per call (%d lines)\n", t.nsecsElapsed() / 1e3 / 100000, lines);
    t.restart();
    for (int i = 0; i < 100000; ++i) {
        editor->setSelectionStart(int(rng() % unsigned(editor->Lines().TextLength())));
        total += editor->CaretLine();
    }
    std::printf("  SelectionStart write + CaretLine: %.2f us per call\n", t.nsecsElapsed() / 1e3 / 100000);

    // Keystrokes in the middle of the text, with change and selection events bound.
    int events = 0;
    QObject::connect(editor.get(), &TCustomTextEditor::OnChange, [&] { ++events; });
    QObject::connect(editor.get(), &TCustomTextEditor::OnSelectionChange, [&] { ++events; });
    editor->setSelectionStart(editor->Lines().TextLength() / 2);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    t.restart();
    QApplication::sendEvent(editor.get(), &key);
    std::printf("  first keystroke after a jump: %.3f ms\n", t.nsecsElapsed() / 1e6);
    t.restart();
    for (int i = 0; i < 1000; ++i)
        QApplication::sendEvent(editor.get(), &key);
    std::printf("  keystroke: %.3f ms each (%d events)\n", t.nsecsElapsed() / 1e6 / 1000, events);
    if (total == 42)
        std::printf(" ");
}

void longLineBench(const QString& path)
{
    std::printf("%s, one line of %.1f MB\n", qPrintable(QFileInfo(path).fileName()), QFileInfo(path).size() / 1e6);
    auto editor = std::make_unique<TTextEditor>();
    editor->resize(900, 700);
    editor->show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    editor->Lines().LoadTextFile(path);
    editor->Refresh();
    std::printf("  load + show: %.1f ms\n", t.nsecsElapsed() / 1e6);
    QScrollBar* h = editor->horizontalScrollBar();
    t.restart();
    const int steps = 50;
    for (int i = 0; i < steps; ++i) {
        h->setValue(int(qint64(h->maximum()) * i / steps));
        editor->Refresh();
    }
    std::printf("  scrolling along it: %.2f ms per step (range %d px)\n", t.nsecsElapsed() / 1e6 / steps, h->maximum());
    editor->setWordWrap(true);
    t.restart();
    editor->Refresh();
    std::printf("  word wrap on: %d lines\n", editor->Lines().LineCount());
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    loadBench(makeFile(folder, "varnotex-bench-50.txt", 50'000'000, false));
    loadBench(makeFile(folder, "varnotex-bench-100.txt", 100'000'000, false));
    longLineBench(makeFile(folder, "varnotex-bench-line.txt", 5'000'000, true));
    return 0;
}
