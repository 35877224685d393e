#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {
struct FileFacts;
}

// The document whose statistics are shown: its window caption (the full path of its file,
// or "<Unbenannt>") and the editor's lines without their line breaks, as 8-bit
// Windows-1252 text, or UTF-8 where utf8() says so. The line count leaves out an empty
// last line; with word wrap on, the lines are the displayed lines. lineText may hand out QByteArray::fromRawData over
// the editor's own storage, since each line is read once and dropped before the next.
class IStatisticsDocument {
public:
    virtual ~IStatisticsDocument() = default;
    virtual QString caption() const = 0;
    virtual qint64 lineCount() const = 0;
    virtual QByteArray lineText(qint64 line) const = 0;
    // The whole text in blocks, in order, with each line break as one lineBreak byte; the
    // lines are the text between the breaks (the same characters as the lines given one by
    // one). Returns false, having called nothing, when the document cannot give it so.
    virtual bool forEachBlock(const std::function<void(QByteArrayView)>& visit) const
    {
        (void)visit;
        return false;
    }
    static constexpr char lineBreak = '\r';
    // Whether the lines are UTF-8, so that a character is a code point of one to four bytes.
    virtual bool utf8() const { return false; }
};

// Digits grouped by three from the right with "." whatever the regional settings:
// 0 -> "0", 1000 -> "1.000", 1234567 -> "1.234.567". A negative value keeps its sign
// in front of the first group ("-1.000").
QString FormatThousands(qint64 value);

// Digits grouped by three with the given separator, at least one digit.
QString formatGrouped(qint64 value, const QString& separator);

// The same with the thousands separator of the user's regional settings (QLocale()).
QString formatWithLocaleSeparator(std::uint64_t value);

// Words, spaces and characters of a text given line by line. Only the blank (code 32)
// separates words; a line break does not, so a word at the end of one line and one at
// the start of the next with no blank between them count as one.
class TextCounter {
public:
    // In UTF-8 a character is a code point: the bytes that continue one are not counted.
    void setUtf8(bool utf8) { utf8_ = utf8; }
    void addLine(QByteArrayView line);
    // A stretch of text in which every lineBreak byte ends a line: the same counts as the
    // lines between the breaks given to addLine one by one.
    void addText(QByteArrayView text, char lineBreak);

    std::uint64_t words() const { return words_; }
    std::uint64_t spaces() const { return spaces_; }
    std::uint64_t characters() const { return characters_; }

private:
    std::uint64_t words_ = 0;
    std::uint64_t spaces_ = 0;
    std::uint64_t characters_ = 0;
    bool insideWord_ = false;
    bool utf8_ = false;
};

// Counts every line of the document once, from the first to the last: in blocks when the
// document gives them, else line by line.
TextCounter countDocument(const IStatisticsDocument& document);

// The attribute words in their fixed order: "Versteckt ", "Schreibgeschützt ",
// "Systemdatei ", "Archivdatei "; empty when none is set.
QString attributeWords(const platform::FileFacts& facts);

// A time stamp as its local calendar fields without leading zeros: "1.7.1999 9:5:7".
QString formatFileTime(const QDateTime& time);
