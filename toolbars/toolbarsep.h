#pragma once

#include <QWidget>

// A separator between the buttons of a toolbar: a gap with an etched line, across the
// toolbar's line (upright in a horizontal toolbar, lying in a vertical one).
class TToolbarSep : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarSep(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
