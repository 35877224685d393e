#include "editor/links.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 12> kDefaultNames = {
    "e-mail", "http", "file", "mailto", "ftp", "https", "gopher", "nntp", "prospero", "telnet", "news", "wais",
};

// Character classes of the 8-bit text, one table lookup each.
enum : unsigned char { kLink = 1, kSpace = 2, kWord = 4 };

constexpr std::array<unsigned char, 256> makeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        unsigned char bits = 0;
        if (IsLinkChar(static_cast<unsigned char>(c)))
            bits |= kLink;
        if (c <= 0x20 || c == 0x7F || c == 0xA0)  // blanks, control characters, no-break space
            bits |= kSpace;
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (alnum || (c >= 0xC0 && c != 0xD7 && c != 0xF7))  // with the accented letters
            bits |= kWord;
        classes[std::size_t(c)] = bits;
    }
    return classes;
}
constexpr std::array<unsigned char, 256> kClasses = makeClasses();

inline unsigned char at(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

inline char asciiUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : char(c); }

inline bool isWordChar(unsigned char c) { return kClasses[c] & kWord; }
inline bool isSpace(unsigned char c) { return kClasses[c] & kSpace; }
inline bool isLink(unsigned char c) { return kClasses[c] & kLink; }

bool startsWithNoCase(std::string_view s, std::size_t pos, std::string_view prefix)
{
    if (s.size() - pos < prefix.size())
        return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (asciiUpper(at(s, pos + k)) != asciiUpper(static_cast<unsigned char>(prefix[k])))
            return false;
    return true;
}

// Closing punctuation that is not part of a link when it ends the text run: full stop,
// comma, colon, semicolon, marks, quotes (also the typographic ones of the 8-bit set) and
// closing brackets that have no opening partner inside the link.
std::size_t trimClosingPunctuation(std::string_view s, std::size_t start, std::size_t end)
{
    // The brackets of the link are counted once, when the first closing one is met, and
    // kept up to date as the end moves left: the trimming stays linear in the length.
    bool counted = false;
    std::ptrdiff_t openRound = 0, closeRound = 0, openSquare = 0, closeSquare = 0;
    while (end > start) {
        const unsigned char c = at(s, end - 1);
        bool strip = false;
        switch (c) {
        case '.': case ',': case ';': case ':': case '!': case '?':
        case '\'': case '"': case '>': case '}':
        case 0x91: case 0x92: case 0x93: case 0x94: case 0xAB: case 0xBB: case 0x85:
            strip = true;
            break;
        case ')': case ']': {
            if (!counted) {
                const auto first = s.begin() + std::ptrdiff_t(start);
                const auto last = s.begin() + std::ptrdiff_t(end);
                openRound = std::count(first, last, '(');
                closeRound = std::count(first, last, ')');
                openSquare = std::count(first, last, '[');
                closeSquare = std::count(first, last, ']');
                counted = true;
            }
            strip = c == ')' ? closeRound > openRound : closeSquare > openSquare;
            if (strip)
                --(c == ')' ? closeRound : closeSquare);
            break;
        }
        default:
            break;
        }
        if (!strip)
            break;
        --end;
    }
    return end;
}

inline bool isMailLocalChar(unsigned char c)
{
    return isWordChar(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

inline bool isMailDomainChar(unsigned char c) { return isWordChar(c) || c == '.' || c == '-'; }

// An e-mail address around the "@" at position at: the local part reaches back no further
// than floor. Gives the address's range, or false.
bool mailAround(std::string_view s, std::size_t atPos, std::size_t floor, std::size_t runEnd, std::size_t& from,
                std::size_t& to)
{
    std::size_t b = atPos;
    while (b > floor && isMailLocalChar(at(s, b - 1)))
        --b;
    while (b < atPos && (at(s, b) == '.' || at(s, b) == '-'))  // an address does not start with these
        ++b;
    if (b == atPos)
        return false;
    std::size_t e = atPos + 1;
    while (e < runEnd && isMailDomainChar(at(s, e)))
        ++e;
    while (e > atPos + 1 && (at(s, e - 1) == '.' || at(s, e - 1) == '-'))
        --e;
    // The domain: labels separated by single dots, at least two of them, none empty.
    const std::string_view domain = s.substr(atPos + 1, e - atPos - 1);
    if (domain.empty() || domain.front() == '.' || domain.front() == '-' || domain.find('.') == std::string_view::npos ||
        domain.find("..") != std::string_view::npos)
        return false;
    from = b;
    to = e;
    return true;
}

std::string upperPrefixOf(const QString& name)
{
    // Characters outside Latin-1 become "?", which no link word holds.
    return name.toUpper().toLatin1().toStdString() + ':';
}

}  // namespace

TURLCollection::TURLCollection()
{
    items_.reserve(kDefaultNames.size());
    for (const std::string_view name : kDefaultNames) {
        items_.push_back(TURLType{QString::fromLatin1(name.data(), qsizetype(name.size()))});
        prefixes_.push_back(upperPrefixOf(items_.back().Name));
    }
}

void TURLCollection::Clear()
{
    items_.clear();
    prefixes_.clear();
}

void TURLCollection::AddURLType(const QString& name, TColor color, bool underline, int cursor)
{
    for (TURLType& item : items_) {
        if (item.Name == name) {
            item.Color = color;
            item.Cursor = cursor;
            item.Underline = underline;
            return;
        }
    }
    items_.push_back(TURLType{name, color, cursor, underline});
    prefixes_.push_back(upperPrefixOf(name));
}

void TURLCollection::Assign(const TURLCollection& other)
{
    if (&other == this)
        return;
    Clear();
    for (const TURLType& item : other.items_)
        AddURLType(item.Name, item.Color, item.Underline, item.Cursor);
}

bool TURLCollection::operator==(const TURLCollection& other) const
{
    return std::equal(items_.begin(), items_.end(), other.items_.begin(), other.items_.end(),
                      [](const TURLType& a, const TURLType& b) {
                          return a.Name == b.Name && a.Color == b.Color && a.Cursor == b.Cursor &&
                                 a.Underline == b.Underline;
                      });
}

namespace {

// The scheme entry of a link found by the built-in detector, as SchemeEntryFor gives it
// for the default entries (whose names are lower-case ASCII).
int defaultEntryOf(std::string_view link)
{
    const std::size_t colon = link.find(':');
    if (colon != std::string_view::npos && colon >= 1) {
        for (std::size_t k = 1; k < kDefaultNames.size(); ++k) {
            const std::string_view name = kDefaultNames[k];
            if (name.size() == colon && startsWithNoCase(link, 0, name))
                return int(k);
        }
        return int(kDefaultNames.size()) - 1;
    }
    const std::size_t atPos = link.find('@');
    return atPos != std::string_view::npos && atPos >= 1 ? 0 : -1;
}

// Could a scheme of the default entries or "www." start with this byte?
inline bool mayStartLink(unsigned char c)
{
    switch (c | 0x20) {
    case 'f': case 'g': case 'h': case 'm': case 'n': case 'p': case 't': case 'w': return true;
    default: return false;
    }
}

}  // namespace

std::vector<LinkMark> FindDefaultLinks(std::string_view line)
{
    std::vector<LinkMark> marks;
    const std::size_t n = line.size();
    std::size_t pos = 0;
    while (pos < n) {
        // One text run: everything up to the next white space.
        while (pos < n && isSpace(at(line, pos)))
            ++pos;
        const std::size_t runStart = pos;
        while (pos < n && !isSpace(at(line, pos)))
            ++pos;
        const std::size_t runEnd = pos;

        std::size_t floor = runStart;  // nothing before this may belong to a new link
        std::size_t i = runStart;
        while (i < runEnd) {
            const unsigned char c = at(line, i);
            const bool boundary = i == runStart || !isWordChar(at(line, i - 1));
            std::size_t linkEnd = 0;
            if (boundary && mayStartLink(c)) {
                std::size_t prefix = 0;
                for (std::size_t k = 1; k < kDefaultNames.size() && prefix == 0; ++k) {
                    const std::string_view nameView = kDefaultNames[k];
                    if (startsWithNoCase(line, i, nameView) && i + nameView.size() < runEnd &&
                        at(line, i + nameView.size()) == ':')
                        prefix = nameView.size() + 1;
                }
                if (prefix == 0 && startsWithNoCase(line, i, "www.") && i + 4 < runEnd && isWordChar(at(line, i + 4)))
                    prefix = 4;
                if (prefix != 0) {
                    const std::size_t end = trimClosingPunctuation(line, i, runEnd);
                    if (end > i + prefix)
                        linkEnd = end;
                }
            }
            if (linkEnd != 0) {
                marks.push_back({int(i), int(linkEnd - i), defaultEntryOf(line.substr(i, linkEnd - i))});
                i = floor = linkEnd;
                continue;
            }
            if (c == '@') {
                std::size_t from = 0, to = 0;
                if (mailAround(line, i, floor, runEnd, from, to)) {
                    marks.push_back({int(from), int(to - from), 0});
                    i = floor = to;
                    continue;
                }
            }
            ++i;
        }
    }
    return marks;
}

std::vector<LinkMark> FindExtendedLinks(std::string_view line, const TURLCollection& urls)
{
    std::vector<LinkMark> marks;

    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && !isLink(at(line, i)))
            ++i;
        if (i >= n)
            break;
        std::size_t end = i + 1;
        while (end < n && isLink(at(line, end)))
            ++end;
        const std::size_t len = end - i;

        int entry = -1;
        const char first = asciiUpper(at(line, i));
        for (int k = 1; k < urls.Count() && entry < 0; ++k) {
            const std::string& p = urls.UpperPrefix(k);
            if (len > p.size() && p[0] == first && startsWithNoCase(line, i, p))
                entry = k;
        }
        if (entry < 0 && urls.Count() > 0) {
            const std::string_view word = line.substr(i, len);
            const std::size_t atPos = word.find('@');  // 0-based; "greater than 1" in 1-based terms
            if (atPos != std::string_view::npos && atPos >= 1 && atPos + 1 < len) {
                const std::size_t dot = word.find('.', atPos + 1);
                if (dot != std::string_view::npos && dot > atPos + 1)
                    entry = 0;
            }
        }
        if (entry >= 0)
            marks.push_back({int(i), int(len), entry});
        i = end;
    }
    return marks;
}

int SchemeEntryFor(const QByteArray& url, const TURLCollection& urls)
{
    const qsizetype colon = url.indexOf(':');
    if (colon >= 1) {
        if (urls.Count() < 2)
            return -1;
        const QString scheme = QString::fromLatin1(url.left(colon)).toLower();
        for (int k = 1; k < urls.Count(); ++k)
            if (urls[k].Name == scheme)
                return k;
        return urls.Count() - 1;
    }
    if (url.indexOf('@') >= 1)
        return urls.Count() > 0 ? 0 : -1;
    return -1;
}

int LinkCursorFor(const QByteArray& url, const TURLCollection& urls, int urlCursor)
{
    const int entry = SchemeEntryFor(url, urls);
    int cursor = entry >= 0 ? urls[entry].Cursor : crDefault;
    if (cursor == crDefault)
        cursor = urlCursor;
    if (cursor == crDefault)
        cursor = crHandPoint;
    return cursor;
}

bool WidenLinkRange(std::string_view text, int start, int end, LinkRange& out)
{
    const int length = int(text.size());
    if (length < 3)
        return false;
    auto isLink = [&](int p) { return p >= 0 && p < length && IsLinkChar(at(text, std::size_t(p))); };
    start = std::max(start, 0);
    if (start >= length)
        start = length - 1;
    while (start > 0 && isLink(start))
        --start;
    if (!isLink(start))
        ++start;
    end = std::min(std::max(end, 0), length);
    if (end < length)
        while (end < length && isLink(end))
            ++end;
    if (end < start)
        return false;
    out = {start, end};
    return true;
}
