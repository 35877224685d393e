#pragma once

#include "editor/utf8text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

// Window-free search and replace over a document's bytes (Windows-1252 or UTF-8, every
// line break a single CR), with the options of the replace dialog. Positions are byte
// positions; every match lies within one line.

struct ReplaceOptions {
    bool matchCase = false;
    bool wholeWords = false;
    bool regex = false;  // PCRE, one line at a time; \1 .. \9 in the replacement
};

class TextMatcher {
public:
    TextMatcher(const QString& pattern, const ReplaceOptions& options, editor::TextEncoding encoding);

    // False for a regular expression that does not compile; errorText() then says why.
    bool valid() const { return error_.isEmpty(); }
    QString errorText() const { return error_; }

    struct Match {
        int start = -1;  // byte position in the line; -1 when there is none
        int length = 0;
    };
    // The first match in line (bytes without a break) that starts at or after from.
    Match findIn(QByteArrayView line, int from) const;
    // The bytes a match of line is replaced with.
    QByteArray replacementFor(QByteArrayView line, const Match& match, const QString& replacement) const;

    // Every match of text (whole lines separated by CR) replaced: the bytes [from, to) of
    // text become replaced; count says how many matches there were (0: nothing to change).
    struct AllResult {
        int count = 0;
        int from = 0;
        int to = 0;
        QByteArray replaced;
    };
    AllResult replaceAll(QByteArrayView text, const QString& replacement) const;

private:
    bool wordChar(QByteArrayView text, int pos) const;        // the character that starts at pos
    bool wordCharBefore(QByteArrayView text, int pos) const;  // the character that ends at pos
    bool wholeWordAt(QByteArrayView text, int start, int length) const;
    void foldInto(QByteArrayView text, QByteArray& out) const;
    // The bytes to search in: the text itself, or its folded copy in folded when case is ignored.
    QByteArrayView haystack(QByteArrayView text, QByteArray& folded) const;
    AllResult replaceAllPlain(QByteArrayView text, const QString& replacement) const;
    AllResult replaceAllRegex(QByteArrayView text, const QString& replacement) const;
    QString expand(const QRegularExpressionMatch& match, const QString& replacement) const;

    ReplaceOptions options_;
    editor::TextEncoding encoding_;
    QString error_;
    QByteArray needle_;  // plain: the pattern's bytes, folded when case does not matter
    bool empty_ = true;
    QRegularExpression regex_;
};
