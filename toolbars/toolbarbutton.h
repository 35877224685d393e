#pragma once

#include <QToolButton>

// A toolbar button: 23 x 22 pixels with a 16 x 16 image, flat until the mouse is over it,
// showing its hint as a tooltip. `clicked` is its click; `setEnabled` its enabled flag.
class TToolbarButton : public QToolButton {
    Q_OBJECT
public:
    explicit TToolbarButton(QWidget* parent = nullptr);

    QString hint() const { return toolTip(); }
    void setHint(const QString& hint) { setToolTip(hint); }
    // The image; a few images of the frame are 17 x 17.
    void setImage(const QIcon& image, QSize size = QSize(16, 16));

    static constexpr int kWidth = 23;
    static constexpr int kHeight = 22;
};
