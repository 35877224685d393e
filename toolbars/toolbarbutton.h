#pragma once

#include <QToolButton>

// A toolbar button: 23 x 22 pixels with a 16 x 16 image, flat until the mouse is over it,
// showing its hint as a tooltip. `clicked` is its click; `setEnabled` its enabled flag.
class TToolbarButton : public QToolButton {
    Q_OBJECT
public:
    explicit TToolbarButton(QWidget* parent = nullptr);

    QString hint() const { return toolTip(); }
    // The hint is also the name a screen reader gives the button.
    void setHint(const QString& hint)
    {
        setToolTip(hint);
        setAccessibleName(hint);
    }
    // The image; a few images of the frame are 17 x 17.
    void setImage(const QIcon& image, QSize size = QSize(16, 16));

    static constexpr int kWidth = 23;
    static constexpr int kHeight = 22;
};
