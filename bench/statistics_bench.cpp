// Counts lines, words, spaces and characters of a 50 MB document, the way the statistics
// dialog does: line by line through the document interface.
#include "dialogs/statistics.h"

#include <QElapsedTimer>
#include <QList>

#include <cstdio>

namespace {

class Document : public IStatisticsDocument {
public:
    Document(const QByteArray& text)
    {
        text_ = text;
        qsizetype start = 0;
        for (qsizetype i = 0; i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                starts_.append(start);
                lengths_.append(i - start);
                start = i + 1;
            }
        }
        if (start < text_.size()) {
            starts_.append(start);
            lengths_.append(text_.size() - start);
        }
    }
    QString caption() const override { return QStringLiteral("<Unbenannt>"); }
    qint64 lineCount() const override { return starts_.size(); }
    QByteArray lineText(qint64 line) const override
    {
        // Either a copy per line or a view of the buffer, as an editor may hand them out.
        if (copyLines)
            return QByteArray(text_.constData() + starts_[line], lengths_[line]);
        return QByteArray::fromRawData(text_.constData() + starts_[line], lengths_[line]);
    }
    bool copyLines = false;

private:
    QByteArray text_;
    QList<qsizetype> starts_;
    QList<qsizetype> lengths_;
};

void runOnce(const char* title, const QByteArray& text, bool copy);

void run(const char* title, const QByteArray& text)
{
    for (bool copy : {false, true})
        runOnce(title, text, copy);
}

void runOnce(const char* title, const QByteArray& text, bool copy)
{
    Document document(text);
    document.copyLines = copy;
    QElapsedTimer timer;
    timer.start();
    const TextCounter counter = countDocument(document);
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%-28s %-6s %9lld lines %10llu words %10llu spaces %10llu chars  %8.1f ms\n", title, copy ? "copy" : "view",
                static_cast<long long>(document.lineCount()), static_cast<unsigned long long>(counter.words()),
                static_cast<unsigned long long>(counter.spaces()),
                static_cast<unsigned long long>(counter.characters()), ms);
}

}  // namespace

int main()
{
    const qsizetype size = 50 * 1024 * 1024;
    QByteArray prose;
    prose.reserve(size);
    const QByteArray line = "Der schnelle braune Fuchs springt \xfc" "ber den faulen Hund, immer wieder.\n";
    while (prose.size() + line.size() <= size)
        prose += line;
    run("50 MB prose, 70-byte lines", prose);

    QByteArray longLines;
    longLines.reserve(size);
    QByteArray wide(100000, 'x');
    for (qsizetype i = 0; i < wide.size(); i += 9)
        wide[i] = ' ';
    wide += '\n';
    while (longLines.size() + wide.size() <= size)
        longLines += wide;
    run("50 MB, 100 kB lines", longLines);

    QByteArray shortLines;
    shortLines.reserve(size);
    while (shortLines.size() + 2 <= size)
        shortLines += "a\n";
    run("50 MB, one-letter lines", shortLines);
    return 0;
}
