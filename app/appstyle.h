#pragma once

#include <QProxyStyle>

// The application's style: hints appear after 500 ms and stay 3500 ms.
class TAppStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
