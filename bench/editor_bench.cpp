// Measures the editor on huge files and a long line through the real widget (key events
// and a repaint, offscreen) and prints one row per figure with its goal.
// Run: bench_editor_bench [folder for the test files] [part]
// (default: the temporary folder; part, one of keys, wrap, undo, replace, load,
// statistics, links, recovery, runs that part alone, for example under a profiler; utf8 runs the
// rows of the UTF-8 files alone)
#include "document/documentjournal.h"
#include "document/editorstatistics.h"
#include "platform/codepage1252.h"
#include "editor/links.h"
#include "editor/texteditor.h"
#include "platform/atomicfile.h"
#include "platform/journalfile.h"
#include "recovery/journal.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// German words with umlauts, "€" and quotes, in Windows-1252 or (utf8) in UTF-8; a UTF-8
// file ends on a whole character, so that it is recognised as UTF-8.
QString makeFile(const QString& folder, const QString& name, qint64 size, bool oneLine, bool utf8 = false)
{
    const QString path = folder + "/" + name;
    if (QFileInfo(path).size() == size)
        return path;
    std::mt19937 rng(1);
    QByteArray data;
    data.reserve(size);
    const char* words[] = {"Grüße ", "Straße ", "und ", "der ", "Text ", "€ ", "„Zitat“ ", "Varnotex ", "Zeile "};
    std::vector<QByteArray> encoded;
    for (const char* word : words)
        encoded.push_back(utf8 ? QByteArray(word) : platform::encode1252(QString::fromUtf8(word)));
    while (data.size() < size) {
        data += encoded[rng() % 9];
        if (!oneLine && rng() % 10 == 0)
            data += "\r\n";
    }
    data.truncate(size);
    if (utf8) {
        qsizetype end = size;
        while (end > 0 && (static_cast<unsigned char>(data[end - 1]) & 0xC0) == 0x80)
            --end;
        if (end > 0 && static_cast<unsigned char>(data[end - 1]) >= 0xC0)
            --end;
        for (qsizetype i = end; i < size; ++i)
            data[i] = 'x';
    }
    platform::writeFileAtomically(path, data);
    return path;
}

// One letter per line; with utf8 an "ü" of two bytes, as UTF-8.
QString makeLetterLines(const QString& folder, qint64 size, bool utf8 = false)
{
    const QString path = folder + (utf8 ? "/varnotex-bench-letters-utf8.txt" : "/varnotex-bench-letters.txt");
    if (QFileInfo(path).size() == size)
        return path;
    QByteArray data(size, 'a');
    for (qint64 i = 1; i < size; i += 2)
        data[i] = '\n';
    if (utf8) {
        for (qint64 i = 0; i + 2 < size; i += 3) {
            data[i] = '\xC3';
            data[i + 1] = '\xBC';
            data[i + 2] = '\n';
        }
        for (qint64 i = size - size % 3; i < size; ++i)
            data[i] = '\n';
    }
    platform::writeFileAtomically(path, data);
    return path;
}

// What any program must at least do to show a file: read it and find its line breaks.
double readAndScan(const QString& path, qint64* breaksFound = nullptr)
{
    QElapsedTimer t;
    t.start();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 breaks = 0;
    qint64 n;
    qint64 total = 0;
    while ((n = f.read(block.data(), block.size())) > 0) {
        total += n;
        const char* p = block.constData();
        const char* end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))))) {
            ++breaks;
            ++p;
        }
    }
    const double elapsed = t.nsecsElapsed() / 1e6;
    if (breaksFound)
        *breaksFound = breaks;
    if (total < 0)
        std::printf(" ");
    return elapsed;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double maximum(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

std::unique_ptr<TTextEditor> openEditor(const QString& path, bool wordWrap = false)
{
    auto editor = std::make_unique<TTextEditor>();
    editor->resize(900, 700);
    editor->setWordWrap(wordWrap);
    editor->show();
    QApplication::processEvents();
    editor->Lines().LoadTextFile(path);
    editor->setFocus();
    editor->Refresh();
    return editor;
}

// One key event and the repaint it causes, in milliseconds.
double keyAndPaint(TTextEditor& editor, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QElapsedTimer t;
    t.start();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&editor, &press);
    editor.Refresh();
    return t.nsecsElapsed() / 1e6;
}

std::string details;  // printed below the table
std::string rowPrefix;  // "UTF-8: " while the rows of the UTF-8 files run

void row(const char* action, const char* goal, const std::string& measured, bool met)
{
    std::printf("| %-62s | %-10s | %-34s | %s |\n", (rowPrefix + action).c_str(), goal, measured.c_str(), met ? "yes" : "NO ");
}

// Loading 50 MB of UTF-8 against loading as much Windows-1252 text of the same words:
// the median of three loads each.
void utf8AgainstAnsi(const QString& ansiPath, const QString& utf8Path)
{
    auto loadTime = [](const QString& path) {
        readAndScan(path);
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            TTextEditor editor;
            QElapsedTimer t;
            t.start();
            editor.Lines().LoadTextFile(path);
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        return median(times);
    };
    const double ansi = loadTime(ansiPath);
    const double utf8 = loadTime(utf8Path);
    details += QString::asprintf("  load of 50 MB: Windows-1252 %.1f ms, UTF-8 %.1f ms\n", ansi, utf8).toStdString();
    row("load of 50 MB UTF-8, x load of 50 MB Windows-1252", "<= 1.3x", QString::number(utf8 / ansi, 'f', 2).toStdString(),
        utf8 / ansi <= 1.3);
}

std::string ms(double v) { return QString::number(v, 'f', v < 10 ? 2 : 1).toStdString() + " ms"; }

// Keystrokes at the start, middle and end of the long line: the median of 15 each, after
// one that brings the caret there (which may measure or wrap the line once).
void keystrokes(const QString& linePath, bool wordWrap)
{
    auto editor = openEditor(linePath, wordWrap);
    std::string measured;
    double worst = 0;
    for (const double where : {0.0, 0.5, 1.0}) {
        editor->setSelectionStart(int(editor->Lines().TextLength() * where));
        const double first = keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a");
        details += QString::asprintf("  5 MB line, word wrap %s: first keystroke after the caret jumped to %.0f%% of it: %.2f ms\n",
                                     wordWrap ? "on" : "off", where * 100, first)
                       .toStdString();
        std::vector<double> times;
        for (int i = 0; i < 15; ++i)
            times.push_back(keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a"));
        worst = std::max(worst, median(times));
        measured += (measured.empty() ? "" : " / ") + QString::number(median(times), 'f', 2).toStdString();
    }
    row(wordWrap ? "keystroke start / middle / end of the 5 MB line, word wrap on"
                 : "keystroke start / middle / end of the 5 MB line, word wrap off",
        "<= 5 ms", measured + " ms", worst <= 5);
}

void undoKeystroke(const QString& linePath)
{
    auto editor = openEditor(linePath);
    std::string measured;
    double worst = 0;
    for (const double where : {0.0, 0.5, 1.0}) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            editor->setSelectionStart(int(editor->Lines().TextLength() * where));
            keyAndPaint(*editor, Qt::Key_B, Qt::NoModifier, "b");
            times.push_back(keyAndPaint(*editor, Qt::Key_Z, Qt::ControlModifier, QString()));
        }
        worst = std::max(worst, median(times));
        measured += (measured.empty() ? "" : " / ") + QString::number(median(times), 'f', 2).toStdString();
    }
    row("undo of one keystroke on that line (start / middle / end)", "<= 5 ms", measured + " ms", worst <= 5);
}

void replaceAll(const QString& path)
{
    auto editor = openEditor(path);
    std::vector<double> typed;
    std::vector<double> undone;
    for (int i = 0; i < 3; ++i) {
        const double select = keyAndPaint(*editor, Qt::Key_A, Qt::ControlModifier, QString());
        typed.push_back(select + keyAndPaint(*editor, Qt::Key_X, Qt::NoModifier, "x"));
        undone.push_back(keyAndPaint(*editor, Qt::Key_Z, Qt::ControlModifier, QString()));
    }
    auto list = [](const std::vector<double>& v) {
        std::string s;
        for (double x : v)
            s += (s.empty() ? "" : ", ") + QString::number(x, 'f', 1).toStdString();
        return s + " ms";
    };
    row("50 MB file: Ctrl+A, then one typed character (3 runs)", "<= 30 ms", list(typed), maximum(typed) <= 30);
    row("its undo (3 runs)", "<= 60 ms", list(undone), maximum(undone) <= 60);
}

void loading(const QString& path50, const QString& path100)
{
    std::string measured;
    double worst = 0;
    for (const QString& path : {path50, path100}) {
        if (path.isEmpty())
            continue;
        readAndScan(path);  // into the page cache
        measured += path == path50 ? "50: " : "  100: ";
        for (int run = 0; run < 3; ++run) {
            qint64 breaks = 0;
            const double base = readAndScan(path, &breaks);
            auto editor = std::make_unique<TTextEditor>();
            editor->resize(900, 700);
            editor->show();
            QApplication::processEvents();
            QElapsedTimer t;
            t.start();
            editor->Lines().LoadTextFile(path);
            const double loaded = t.nsecsElapsed() / 1e6;
            editor->Refresh();
            const double ratio = t.nsecsElapsed() / 1e6 / base;
            details += QString::asprintf("  %s run %d: read + scan %.1f ms (%lld breaks), load %.1f ms, first paint %.1f ms,"
                                         " text and index %.2f x the file's size\n",
                                         qPrintable(QFileInfo(path).fileName()), run + 1, base, breaks, loaded,
                                         t.nsecsElapsed() / 1e6 - loaded,
                                         double(editor->buffer().memoryUse()) / double(QFileInfo(path).size()))
                           .toStdString();
            worst = std::max(worst, ratio);
            measured += (run ? " " : "") + QString::number(ratio, 'f', 2).toStdString();
        }
    }
    row("load + first paint of 50 / 100 MB, x (read + line-break scan)", "<= 2x", measured, worst <= 2);
}

void statistics(const QString& path)
{
    auto editor = openEditor(path);
    const EditorStatisticsDocument document(path, editor->Lines(), editor->Encoding() == editor::TextEncoding::Utf8);
    std::vector<double> times;
    quint64 words = 0;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const qint64 lines = document.lineCount();
        const TextCounter counter = countDocument(document);
        times.push_back(t.nsecsElapsed() / 1e6);
        words += counter.words() + quint64(lines);
    }
    std::string measured;
    for (double x : times)
        measured += (measured.empty() ? "" : ", ") + QString::number(x, 'f', 1).toStdString();
    row("statistics of 50 MB of one letter per line (3 runs)", "<= 100 ms", measured + " ms", maximum(times) <= 100);
    if (words == 42)
        std::printf(" ");
}

void links()
{
    const std::string text = "http://example.com/x" + std::string(100000, ')');
    QElapsedTimer t;
    t.start();
    const std::vector<LinkMark> marks = FindDefaultLinks(text);
    const double elapsed = t.nsecsElapsed() / 1e6;
    row("(also) link scan of a link and 100,000 closing brackets", "linear", ms(elapsed), marks.size() == 1);
}

// The recovery journal's share: what recording an edit adds to a keystroke on the 5 MB
// line, what the first change of a 50 MB file costs the window (the keystroke, then the
// snapshot that the writer thread puts on the disk), the record of replacing the whole of
// it, and the journal's memory beside the text's.
struct JournalProbe {
    TTextEditor& editor;
    std::unique_ptr<recovery::Journal> journal;
    double lastRecordMs = 0;
    JournalProbe(TTextEditor& e) : editor(e)
    {
        journal = std::make_unique<recovery::Journal>([this] {
            recovery::JournalHeader header;
            header.caption = QStringLiteral("<Unbenannt>");
            return journalSnapshotOf(editor.buffer(), header);
        });
        QObject::connect(&editor, &TTextEditor::OnTextEdit, &editor, [this](int pos, int removed, int inserted) {
            QElapsedTimer t;
            t.start();
            if (inserted > recovery::Journal::kLargeEdit) {
                journal->changed(nullptr);
            } else {
                const recovery::JournalEdit edit = journalEditOf(editor.buffer(), editor::TextChange{pos, removed, inserted});
                journal->changed(&edit);
            }
            lastRecordMs = double(t.nsecsElapsed()) / 1e6;
        });
    }
};

void recoveryCost(const QString& folder, const QString& linePath, const QString& path50)
{
    recovery::JournalStore& store = recovery::JournalStore::instance();
    store.setFolder(folder + QStringLiteral("/recovery"));
    {
        auto editor = openEditor(linePath);
        JournalProbe probe(*editor);
        keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a");
        probe.journal->flush();  // the base of the line
        store.drain();
        std::vector<double> added;
        for (const double where : {0.0, 0.5, 1.0}) {
            editor->setSelectionStart(int(editor->Lines().TextLength() * where));
            for (int i = 0; i < 15; ++i) {
                keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a");
                added.push_back(probe.lastRecordMs);
            }
        }
        row("recovery: added to a keystroke on the 5 MB line", "<= 0.1 ms", QString::number(median(added), 'f', 4).toStdString() + " ms (median), " + QString::number(maximum(added), 'f', 4).toStdString() + " ms (max)",
            maximum(added) <= 0.1);
        probe.journal->discard();
        store.drain();
    }
    {
        auto editor = openEditor(path50);
        JournalProbe probe(*editor);
        std::vector<double> first;
        std::vector<double> written;
        qint64 snapshotBytes = 0;
        for (int i = 0; i < 4; ++i) {
            // As the window does after loading or saving: the file is the text's source.
            // The fourth run has no file to take it from (never saved, or changed outside).
            recovery::JournalHeader header;
            header.utf8 = editor->Encoding() == editor::TextEncoding::Utf8;
            header.byteOrderMark = editor->ByteOrderMark();
            header.caption = path50;
            if (i < 3)
                probe.journal->setSource(journalSourceOf(path50, platform::fileStamp(path50), header));
            const double key = keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a");
            QElapsedTimer t;
            t.start();
            probe.journal->flush();  // what the timer does: the snapshot, handed to the writer
            const double snap = double(t.nsecsElapsed()) / 1e6;
            first.push_back(key + snap);
            details += QString::asprintf("  recovery: first change of 50 MB: keystroke %.1f ms, snapshot %.1f ms\n", key, snap).toStdString();
            store.drain();
            written.push_back(double(t.nsecsElapsed()) / 1e6);
            snapshotBytes = editor->buffer().length() + editor->buffer().breakCount();
            probe.journal->discard();
            store.drain();
        }
        const double withoutFile = first.back();
        first.pop_back();
        row("recovery: first change of 50 MB loaded from its file (3 runs)", "<= 30 ms",
            QString::asprintf("%.1f, %.1f, %.1f ms", first[0], first[1], first[2]).toStdString(), maximum(first) <= 30);
        row("recovery: (also) first change of 50 MB without its file", "-", QString::asprintf("%.1f ms", withoutFile).toStdString(),
            true);
        details += QString::asprintf("  recovery: the writer thread put the 50 MB base on the disk in %.0f / %.0f / %.0f / %.0f ms "
                                     "(the window goes on meanwhile)\n",
                                     written[0], written[1], written[2], written[3])
                       .toStdString();
        const double textMb = double(editor->buffer().memoryUse()) / 1e6;
        row("recovery: journal memory beside the 50 MB text's", "transient",
            QString::asprintf("%.0f MB while the base is written, 0 after (text %.0f MB)", double(snapshotBytes) / 1e6, textMb)
                .toStdString(),
            true);

        // The whole text replaced: the record holds the operation and the new text only.
        keyAndPaint(*editor, Qt::Key_A, Qt::NoModifier, "a");
        probe.journal->flush();
        store.drain();
        keyAndPaint(*editor, Qt::Key_A, Qt::ControlModifier, QString());
        keyAndPaint(*editor, Qt::Key_X, Qt::NoModifier, "x");
        const qint64 pending = probe.journal->pendingBytes();
        const double replaceRecord = probe.lastRecordMs;
        row("recovery: replacing the whole 50 MB, its record", "no copy",
            QString::asprintf("%lld bytes, %.3f ms", qlonglong(pending), replaceRecord).toStdString(), pending < 100);
        probe.journal->discard();
        store.drain();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    const QString line = makeFile(folder, "varnotex-bench-line.txt", 5'000'000, true);
    const QString file50 = makeFile(folder, "varnotex-bench-50.txt", 50'000'000, false);
    const QString file100 = makeFile(folder, "varnotex-bench-100.txt", 100'000'000, false);
    const QString letters = makeLetterLines(folder, 50'000'000);
    const QString lineUtf8 = makeFile(folder, "varnotex-bench-line-utf8.txt", 5'000'000, true, true);
    const QString file50Utf8 = makeFile(folder, "varnotex-bench-50-utf8.txt", 50'000'000, false, true);
    const QString lettersUtf8 = makeLetterLines(folder, 50'000'000, true);

    const QString part = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    auto wanted = [&](const char* name) { return part.isEmpty() || part == QLatin1String(name); };
    std::printf("| %-62s | %-10s | %-34s | %s |\n", "action", "goal", "measured", "met");
    std::printf("|%s|%s|%s|%s|\n", std::string(64, '-').c_str(), std::string(12, '-').c_str(),
                std::string(36, '-').c_str(), std::string(5, '-').c_str());
    if (wanted("keys"))
        keystrokes(line, false);
    if (wanted("wrap"))
        keystrokes(line, true);
    if (wanted("undo"))
        undoKeystroke(line);
    if (wanted("replace"))
        replaceAll(file50);
    if (wanted("load"))
        loading(file50, file100);
    if (wanted("statistics"))
        statistics(letters);
    if (wanted("links"))
        links();
    if (wanted("recovery"))
        recoveryCost(folder, line, file50);
    // The same figures for UTF-8 text: a 5 MB line and a 50 MB file.
    rowPrefix = "UTF-8: ";
    if (wanted("keys") || wanted("utf8"))
        keystrokes(lineUtf8, false);
    if (wanted("wrap") || wanted("utf8"))
        keystrokes(lineUtf8, true);
    if (wanted("undo") || wanted("utf8"))
        undoKeystroke(lineUtf8);
    if (wanted("replace") || wanted("utf8"))
        replaceAll(file50Utf8);
    if (wanted("load") || wanted("utf8")) {
        loading(file50Utf8, QString());
        utf8AgainstAnsi(file50, file50Utf8);
    }
    if (wanted("statistics") || wanted("utf8"))
        statistics(lettersUtf8);
    rowPrefix.clear();
    std::printf("\n%s", details.c_str());
    return 0;
}
