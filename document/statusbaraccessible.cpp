#include "document/statusbaraccessible.h"

#include "document/statusbar.h"

#include <QPointer>

namespace {

class TStatusPanelAccessible : public QAccessibleInterface {
public:
    TStatusPanelAccessible(TStatusBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < panelCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return bar_ ? QAccessible::queryAccessibleInterface(bar_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return bar_->simplePanel() ? bar_->simpleText() : bar_->panelText(index_);
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = bar_->simplePanel() ? bar_->rect() : bar_->panelRect(index_);
        return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !bar_ || !bar_->isVisible();
        return s;
    }

private:
    int panelCount() const { return bar_->simplePanel() ? 1 : bar_->panelCount(); }

    QPointer<TStatusBar> bar_;
    int index_;
};

QAccessibleInterface* statusBarFactory(const QString&, QObject* object)
{
    if (auto* bar = qobject_cast<TStatusBar*>(object))
        return new TStatusBarAccessible(bar);
    return nullptr;
}

}  // namespace

TStatusBarAccessible::TStatusBarAccessible(TStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}

TStatusBarAccessible::~TStatusBarAccessible()
{
    for (QAccessible::Id id : panels_)
        QAccessible::deleteAccessibleInterface(id);
}

TStatusBar* TStatusBarAccessible::bar() const { return static_cast<TStatusBar*>(widget()); }

int TStatusBarAccessible::childCount() const { return bar()->simplePanel() ? 1 : bar()->panelCount(); }

QAccessibleInterface* TStatusBarAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    while (panels_.size() <= index)
        panels_ << QAccessible::registerAccessibleInterface(new TStatusPanelAccessible(bar(), int(panels_.size())));
    return QAccessible::accessibleInterface(panels_[index]);
}

int TStatusBarAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int i = 0; i < panels_.size() && i < childCount(); ++i) {
        if (QAccessible::accessibleInterface(panels_[i]) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface* TStatusBarAccessible::childAt(int x, int y) const
{
    for (int i = 0; i < childCount(); ++i) {
        QAccessibleInterface* c = child(i);
        if (c && c->rect().contains(x, y))
            return c;
    }
    return nullptr;
}

QString TStatusBarAccessible::text(QAccessible::Text t) const
{
    QString s = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && s.isEmpty())
        s = QStringLiteral("Statusleiste");
    return s;
}

void installStatusBarAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(statusBarFactory);
}
