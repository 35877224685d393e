#include "editor/textprinting.h"

#include "platform/codepage1252.h"
#include "editor/textbuffer.h"
#include "platform/errors.h"
#include "platform/printer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace editor {

namespace {

constexpr qreal kScreenDpi = 96.0;

class PagePrinter {
public:
    PagePrinter(QPrinter& printer, QPainter& painter, const QFont& font, TextEncoding encoding)
        : printer_(printer), painter_(painter), metrics_(font, &printer), encoding_(encoding)
    {
        for (int c = 0; c < 256; ++c) {
            const auto byte = static_cast<unsigned char>(c);
            widths_[c] = byte < 0x20 ? 0 : metrics_.horizontalAdvance(QChar(platform::cp1252ToUnicode(byte)));
        }
        tab_ = std::max<qreal>(1, 8 * metrics_.horizontalAdvance(QLatin1Char(' ')));
        lineHeight_ = std::max<qreal>(1, metrics_.lineSpacing());
        width_ = painter.viewport().width();
        height_ = painter.viewport().height();
    }

    qreal advance(unsigned char c, qreal x) const
    {
        return c == '\t' ? (std::floor(x / tab_ + 1e-6) + 1) * tab_ : x + widths_[c];
    }

    // In UTF-8 a character's width goes with its first byte; the bytes after it add none.
    qreal advanceAt(const QByteArray& line, int p, qreal x) const
    {
        const auto c = static_cast<unsigned char>(line[p]);
        if (encoding_ != TextEncoding::Utf8 || c < 0x80)
            return advance(c, x);
        if (isUtf8Continuation(char(c)))
            return x;
        const int n = utf8SequenceLength(c);
        const char32_t ch = p + n <= line.size() ? decodeUtf8Char(reinterpret_cast<const unsigned char*>(line.constData() + p), n)
                                                 : char32_t(0xFFFD);
        return x + metrics_.horizontalAdvance(QString::fromUcs4(&ch, 1));
    }

    // Prints one line of the text, breaking it where it is wider than the page.
    bool printLine(const QByteArray& line)
    {
        int pieceStart = 0;
        int lastBreak = -1;
        qreal x = 0;
        for (int p = 0; p < line.size(); ++p) {
            const auto c = static_cast<unsigned char>(line[p]);
            const qreal next = advanceAt(line, p, x);
            const bool blank = c == ' ' || c == '\t';
            if (next > width_ && p > pieceStart && !blank && !isUtf8Continuation(char(c))) {
                const int cut = lastBreak > pieceStart ? lastBreak : p;
                if (!printPiece(line.mid(pieceStart, cut - pieceStart)))
                    return false;
                pieceStart = cut;
                lastBreak = -1;
                x = 0;
                for (int q = cut; q <= p; ++q)
                    x = advanceAt(line, q, x);
                continue;
            }
            x = next;
            if (blank)
                lastBreak = p + 1;
        }
        return printPiece(line.mid(pieceStart));
    }

private:
    bool printPiece(const QByteArray& piece)
    {
        if (y_ + lineHeight_ > height_ && y_ > 0) {
            if (!printer_.newPage())
                return false;
            y_ = 0;
        }
        qreal x = 0;
        QByteArray run;
        qreal runX = 0;
        auto flush = [&] {
            if (!run.isEmpty())
                painter_.drawText(QPointF(runX, y_ + metrics_.ascent()), decodeText(run, encoding_));
            run.clear();
        };
        for (int p = 0; p < piece.size(); ++p) {
            const auto c = static_cast<unsigned char>(piece[p]);
            const qreal next = advanceAt(piece, p, x);
            if (c == '\t' || c < 0x20) {
                flush();
                runX = next;
            } else {
                run.append(char(c));
            }
            x = next;
        }
        flush();
        y_ += lineHeight_;
        return true;
    }

    QPrinter& printer_;
    QPainter& painter_;
    QFontMetricsF metrics_;
    qreal widths_[256] = {};
    qreal tab_ = 1;
    qreal lineHeight_ = 1;
    qreal width_ = 1;
    qreal height_ = 1;
    qreal y_ = 0;
    TextEncoding encoding_;
};

}  // namespace

bool printText(const TextBuffer& text, QPrinter& printer, const QFont& font, const QString& title, TextEncoding encoding)
{
    printer.setDocName(title);
    // The painter's origin is the corner of the printable area inside the margins, never
    // the corner of the paper, which a real printer cannot reach.
    const bool wasFullPage = printer.fullPage();
    printer.setFullPage(false);
    QFont printFont(font);
    if (font.pixelSize() > 0)
        printFont.setPointSizeF(font.pixelSize() * 72.0 / kScreenDpi);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.setFullPage(wasFullPage);
        return false;
    }
    painter.setFont(printFont);
    painter.setPen(Qt::black);
    PagePrinter pages(printer, painter, painter.font(), encoding);
    bool ok = true;
    const int lines = text.lineCount();
    for (int line = 0; line < lines && ok; ++line) {
        // A last line that is empty is no line of paper.
        if (line == lines - 1 && line > 0 && text.lineLength(line) == 0)
            break;
        ok = pages.printLine(text.text(text.lineStart(line), text.lineLength(line)));
    }
    // A job that fails while it is finished (the printer refuses it, a PDF file cannot be
    // written) did not print.
    const bool finished = painter.end() && platform::printJobWritten(printer);
    printer.setFullPage(wasFullPage);
    if (ok && !finished)
        throw platform::AppError(QStringLiteral("Der Druckauftrag \"%1\" konnte nicht abgeschlossen werden").arg(title));
    return ok;
}

}  // namespace editor
