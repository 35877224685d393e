#include "document/textreplace.h"

#include "platform/codepage1252.h"

#include <QByteArrayMatcher>
#include <QChar>

#include <algorithm>

#include <array>

namespace {

using editor::TextEncoding;

// Windows-1252 bytes folded to their lower-case byte where the code page holds it.
const std::array<unsigned char, 256>& fold1252()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char32_t lower = QChar::toLower(char32_t(platform::cp1252ToUnicode(static_cast<unsigned char>(b))));
            const char back = platform::unicodeToCp1252(lower);
            t[size_t(b)] = (back == '?' && lower != U'?') ? static_cast<unsigned char>(b) : static_cast<unsigned char>(back);
        }
        return t;
    }();
    return table;
}

bool isWord(char32_t c) { return c == U'_' || QChar::isLetterOrNumber(c); }

}  // namespace

TextMatcher::TextMatcher(const QString& pattern, const ReplaceOptions& options, TextEncoding encoding)
    : options_(options), encoding_(encoding)
{
    empty_ = pattern.isEmpty() || pattern.contains(QLatin1Char('\r')) || pattern.contains(QLatin1Char('\n'));
    if (options_.regex) {
        empty_ = pattern.isEmpty();
        QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
        if (!options_.matchCase)
            flags |= QRegularExpression::CaseInsensitiveOption;
        const QRegularExpression plain(pattern, flags);
        if (!plain.isValid()) {
            error_ = QStringLiteral("Der reguläre Ausdruck \"%1\" ist ungültig:\r%2 (an Stelle %3).")
                         .arg(pattern, plain.errorString())
                         .arg(plain.patternErrorOffset() + 1);
            return;
        }
        regex_ = options_.wholeWords ? QRegularExpression(QStringLiteral("\\b(?:%1)\\b").arg(pattern), flags) : plain;
        return;
    }
    if (empty_)
        return;
    const QByteArray bytes = editor::encodeText(pattern, encoding_);
    // A character that a Windows-1252 text cannot hold is never in it.
    if (encoding_ == TextEncoding::Windows1252 && editor::decodeText(bytes, encoding_) != pattern) {
        empty_ = true;
        return;
    }
    if (options_.matchCase)
        needle_ = bytes;
    else
        foldInto(bytes, needle_);
}

QByteArrayView TextMatcher::haystack(QByteArrayView text, QByteArray& folded) const
{
    if (options_.matchCase)
        return text;
    foldInto(text, folded);
    return folded;
}

void TextMatcher::foldInto(QByteArrayView text, QByteArray& out) const
{
    out.resize(text.size());
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    const qsizetype n = text.size();
    if (encoding_ == TextEncoding::Windows1252) {
        const auto& table = fold1252();
        for (qsizetype i = 0; i < n; ++i)
            o[i] = table[in[i]];
        return;
    }
    // UTF-8: the ASCII letters and the Latin-1 capitals (umlauts among them) of two bytes,
    // so that every byte keeps its place.
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = in[i];
        if (c >= 'A' && c <= 'Z') {
            o[i] = c + 32;
        } else if (c == 0xC3 && i + 1 < n && in[i + 1] >= 0x80 && in[i + 1] <= 0x9E && in[i + 1] != 0x97) {
            o[i] = c;
            o[i + 1] = in[i + 1] + 0x20;
            ++i;
        } else {
            o[i] = c;
        }
    }
}

bool TextMatcher::wordChar(QByteArrayView text, int pos) const
{
    if (pos < 0 || pos >= text.size())
        return false;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    if (encoding_ == TextEncoding::Windows1252)
        return isWord(platform::cp1252ToUnicode(s[pos]));
    const int n = editor::utf8SequenceLength(s[pos]);
    if (pos + n > text.size())
        return false;
    return isWord(editor::decodeUtf8Char(s + pos, n));
}

bool TextMatcher::wordCharBefore(QByteArrayView text, int pos) const
{
    if (pos <= 0)
        return false;
    int start = pos - 1;
    if (encoding_ == TextEncoding::Utf8)
        while (start > 0 && pos - start < 4 && editor::isUtf8Continuation(text[start]))
            --start;
    return wordChar(text, start);
}

bool TextMatcher::wholeWordAt(QByteArrayView text, int start, int length) const
{
    return !wordCharBefore(text, start) && !wordChar(text, start + length);
}

TextMatcher::Match TextMatcher::findIn(QByteArrayView line, int from) const
{
    Match none;
    if (!valid() || empty_ || from > line.size())
        return none;
    from = std::max(0, from);
    if (options_.regex) {
        const QString s = editor::decodeText(line, encoding_);
        const bool single = encoding_ == TextEncoding::Windows1252;
        const int start = single ? from : int(editor::decodeText(line.first(from), encoding_).size());
        auto it = regex_.globalMatch(s, start);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedLength() == 0)
                continue;  // an empty match selects nothing
            const int begin = int(m.capturedStart());
            const int end = int(m.capturedEnd());
            if (single)
                return Match{begin, end - begin};
            const int b = int(editor::encodeText(QStringView(s).first(begin), encoding_).size());
            const int e = int(editor::encodeText(QStringView(s).first(end), encoding_).size());
            return Match{b, e - b};
        }
        return none;
    }
    QByteArray folded;
    const QByteArrayView hay = haystack(line, folded);
    const QByteArrayMatcher matcher(needle_);
    for (qsizetype pos = from; (pos = matcher.indexIn(hay, pos)) >= 0; ++pos) {
        if (!options_.wholeWords || wholeWordAt(line, int(pos), int(needle_.size())))
            return Match{int(pos), int(needle_.size())};
    }
    return none;
}

QString TextMatcher::expand(const QRegularExpressionMatch& match, const QString& replacement) const
{
    QString out;
    out.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != QLatin1Char('\\') || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement[++i];
        if (next.isDigit() && next.unicode() < 128)
            out += match.captured(next.unicode() - '0');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\r');
        else
            out += next;
    }
    return out;
}

QByteArray TextMatcher::replacementFor(QByteArrayView line, const Match& match, const QString& replacement) const
{
    if (!options_.regex)
        return editor::encodeText(replacement, encoding_);
    const QString s = editor::decodeText(line, encoding_);
    const int start = encoding_ == TextEncoding::Windows1252
                          ? match.start
                          : int(editor::decodeText(line.first(match.start), encoding_).size());
    const QRegularExpressionMatch m = regex_.match(s, start, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
    if (!m.hasMatch())
        return editor::encodeText(replacement, encoding_);
    return editor::encodeText(expand(m, replacement), encoding_);
}

TextMatcher::AllResult TextMatcher::replaceAll(QByteArrayView text, const QString& replacement) const
{
    if (!valid() || empty_)
        return {};
    return options_.regex ? replaceAllRegex(text, replacement) : replaceAllPlain(text, replacement);
}

TextMatcher::AllResult TextMatcher::replaceAllPlain(QByteArrayView text, const QString& replacement) const
{
    AllResult result;
    QByteArray folded;
    const QByteArrayView hay = haystack(text, folded);
    const QByteArray bytes = editor::encodeText(replacement, encoding_);
    const QByteArrayMatcher matcher(needle_);
    const int n = int(needle_.size());
    int copied = -1;
    for (qsizetype pos = 0; (pos = matcher.indexIn(hay, pos)) >= 0;) {
        if (options_.wholeWords && !wholeWordAt(text, int(pos), n)) {
            ++pos;
            continue;
        }
        if (copied < 0) {
            result.from = int(pos);
            result.replaced.reserve(text.size() - pos);
        } else {
            result.replaced.append(text.sliced(copied, pos - copied));
        }
        result.replaced.append(bytes);
        ++result.count;
        pos += n;
        copied = int(pos);
    }
    result.to = std::max(copied, result.from);
    return result;
}

TextMatcher::AllResult TextMatcher::replaceAllRegex(QByteArrayView text, const QString& replacement) const
{
    AllResult result;
    int copied = -1;
    for (qsizetype lineStart = 0; lineStart <= text.size();) {
        qsizetype lineEnd = text.indexOf('\r', lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QString s = editor::decodeText(text.sliced(lineStart, lineEnd - lineStart), encoding_);
        auto it = regex_.globalMatch(s);
        QString changed;
        qsizetype previous = 0;
        int count = 0;
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            changed += QStringView(s).sliced(previous, m.capturedStart() - previous);
            changed += expand(m, replacement);
            previous = m.capturedEnd();
            ++count;
        }
        if (count > 0) {
            changed += QStringView(s).sliced(previous);
            if (copied < 0)
                result.from = int(lineStart);
            else
                result.replaced.append(text.sliced(copied, lineStart - copied));
            result.replaced.append(editor::encodeText(changed, encoding_));
            result.count += count;
            copied = int(lineEnd);
        }
        lineStart = lineEnd + 1;
    }
    result.to = std::max(copied, result.from);
    return result;
}
