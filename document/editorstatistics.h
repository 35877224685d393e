#pragma once

#include "dialogs/statistics.h"
#include "editor/texteditor.h"

// A document window's text as the statistics dialog reads it: its caption and the
// editor's lines, or the editor's text in blocks for counting.
class EditorStatisticsDocument : public IStatisticsDocument {
public:
    EditorStatisticsDocument(const QString& caption, const TTextEditorLines& lines, bool utf8 = false)
        : caption_(caption), lines_(lines), utf8_(utf8)
    {
    }
    bool utf8() const override { return utf8_; }
    QString caption() const override { return caption_; }
    qint64 lineCount() const override { return lines_.LineCount(); }
    QByteArray lineText(qint64 line) const override { return lines_.LineText(int(line)); }
    bool forEachBlock(const std::function<void(QByteArrayView)>& visit) const override
    {
        static_assert(IStatisticsDocument::lineBreak == editor::TextBuffer::kBreak);
        lines_.forEachBlock(visit);
        return true;
    }

private:
    QString caption_;
    const TTextEditorLines& lines_;
    bool utf8_;
};
