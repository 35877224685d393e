#pragma once

#include <QProxyStyle>

// The application's style: hints appear after the mouse has rested 500 ms on a control and
// disappear after 3500 ms.
class TAppStyle : public QProxyStyle {
public:
    static constexpr int kHintPause = 500;
    static constexpr int kHintHidePause = 3500;

    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    // Every widget shows its hint for the hide pause, unless it chose a time of its own.
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
};
