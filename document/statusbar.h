#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

// A status bar of panels of fixed width, the last one running to the right edge, with a
// simple mode that shows one plain text in place of the panels.
class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    int panelCount() const { return int(texts_.size()); }
    void addPanel(const QString& text, int width, Qt::Alignment alignment, bool bevel = true);
    QString panelText(int index) const { return texts_.value(index); }
    void setPanelText(int index, const QString& text);
    int panelWidth(int index) const { return widths_.value(index); }
    void setPanelWidth(int index, int width);
    // The rectangle a panel takes (the last one runs to the right edge).
    QRect panelRect(int index) const;
    // The room a panel's text has inside the panel's rectangle.
    static QRect textRect(const QRect& panel) { return panel.adjusted(3, 0, -4, 0); }
    // A panel width of at least designWidth that shows each of the texts in full with the
    // bar's font.
    int widthFor(int designWidth, const QStringList& texts) const;
    // The widths of the panels from index on, added up.
    int widthFrom(int index) const;

    bool simplePanel() const { return simple_; }
    void setSimplePanel(bool simple);
    QString simpleText() const { return simpleText_; }
    void setSimpleText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList texts_;
    QVector<int> widths_;
    QVector<Qt::Alignment> alignments_;
    QVector<bool> bevels_;
    bool simple_ = false;
    QString simpleText_;
};
