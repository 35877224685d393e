#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

// Link detection of the editor control: the link types, the scheme collection and the
// window-free scanners the control runs over the text, one line at a time.

// How the editor finds links: not at all, by its own built-in detector, or by the schemes
// of its CustomURLs collection.
enum TAutoURLDetect { adNone, adDefault, adExtended };

using TColor = quint32;
constexpr TColor clWindowText = 0x80000008;  // "use URLColor"
constexpr TColor clBlue = 0xFF0000;          // 0x00BBGGRR
constexpr TColor clDefault = 0x20000000;     // the text's default colour

constexpr int crDefault = 0;
constexpr int crHandPoint = -21;

// One link type: a scheme name without the colon ("http"), or "e-mail" for entry 0.
struct TURLType {
    QString Name;
    TColor Color = clWindowText;  // clWindowText: URLColor applies
    int Cursor = crDefault;       // crDefault: URLCursor applies
    bool Underline = true;
};

// The ordered collection of link types. Entry 0 stands for e-mail addresses and is never
// matched by name.
class TURLCollection {
public:
    // The twelve default entries: "e-mail", "http", "file", "mailto", "ftp", "https",
    // "gopher", "nntp", "prospero", "telnet", "news", "wais".
    TURLCollection();

    int Count() const { return int(items_.size()); }
    const TURLType& operator[](int index) const { return items_[std::size_t(index)]; }

    // An entry with exactly this name (case-sensitive) gets the new colour, cursor and
    // underline; otherwise a new entry is appended.
    void AddURLType(const QString& name, TColor color, bool underline, int cursor);
    // Clears this collection and adds each entry of the other in its order.
    void Assign(const TURLCollection& other);
    void Clear();

    bool operator==(const TURLCollection& other) const;

    // The upper-cased scheme prefix with its colon ("HTTP:") of each entry, kept in step
    // with the entries for the word scan.
    const std::string& UpperPrefix(int index) const { return prefixes_[std::size_t(index)]; }

private:
    std::vector<TURLType> items_;
    std::vector<std::string> prefixes_;
};

// A link found in one line: start column and length in bytes of the 8-bit text, and the
// collection entry it belongs to (-1 = none).
struct LinkMark {
    int start;
    int length;
    int entry;
    bool operator==(const LinkMark&) const = default;
};

// The link characters: "." "/" digits ":" "@" A-Z "\" a-z. Every other byte ends a link.
constexpr bool IsLinkChar(unsigned char c)
{
    return (c >= 0x2E && c <= 0x3A) || (c >= 0x40 && c <= 0x5A) || c == 0x5C || (c >= 0x61 && c <= 0x7A);
}

// The built-in detector (mode adDefault) over one line of 8-bit text: the schemes of the
// default entries followed by ":" and at least one more character, e-mail addresses and
// "www." names. A link ends at white space, or at closing punctuation that ends the run.
// Entries are given as SchemeEntryFor would give them for the default collection.
std::vector<LinkMark> FindDefaultLinks(std::string_view line);

// The word scan of mode adExtended over one line of 8-bit text: every word of link
// characters whose upper-cased text starts with a scheme of entries 1..Count-1 plus ":"
// and is longer than that, else an e-mail address (entry 0). Only the links are returned;
// every other word is plain text.
std::vector<LinkMark> FindExtendedLinks(std::string_view line, const TURLCollection& urls);

// The scheme entry of a link's text as the link notification finds it: the lower-cased
// text before the first ":" (at a position after the first character) compared exactly
// with entries 1..Count-1, the last entry when none is equal; else entry 0 for an "@"
// after the first character; else -1.
int SchemeEntryFor(const QByteArray& url, const TURLCollection& urls);

// The mouse cursor over a link: the entry's cursor, else urlCursor, else crHandPoint.
int LinkCursorFor(const QByteArray& url, const TURLCollection& urls, int urlCursor);

// The range widening of MarkCustomLinks over a whole text: start and end are widened to
// whole runs of link characters. Returns false when nothing is to be marked (end before
// start, or a text shorter than three characters).
struct LinkRange {
    int start;
    int end;
};
bool WidenLinkRange(std::string_view text, int start, int end, LinkRange& out);
