#pragma once

#include <QAccessibleWidget>
#include <QVector>

class TStatusBar;

// What assistive technology sees of the status bar: one static text per panel, named by
// the panel's text (in simple mode one, with the simple text).
class TStatusBarAccessible : public QAccessibleWidget {
public:
    explicit TStatusBarAccessible(TStatusBar* bar);
    ~TStatusBarAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

    TStatusBar* bar() const;

private:
    mutable QVector<QAccessible::Id> panels_;
};

// Registers the status bar's accessible interface with Qt's accessibility framework (once).
void installStatusBarAccessibility();
