#include "toolbars/dockframe.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

TDock* makeDock(TDockPosition position, QWidget* owner, const char* name)
{
    auto* dock = new TDock(position, owner);
    dock->setObjectName(QString::fromLatin1(name));
    return dock;
}

}  // namespace

TDockFrame::TDockFrame(QWidget* owner, QWidget* parent)
    : QWidget(parent ? parent : owner),
      top_(makeDock(TDockPosition::dpTop, owner, "DockTop")),
      bottom_(makeDock(TDockPosition::dpBottom, owner, "DockBottom")),
      left_(makeDock(TDockPosition::dpLeft, owner, "DockLeft")),
      right_(makeDock(TDockPosition::dpRight, owner, "DockRight")),
      column_(new QVBoxLayout(this)),
      middle_(new QHBoxLayout)
{
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    middle_->setContentsMargins(0, 0, 0, 0);
    middle_->setSpacing(0);
    column_->addWidget(top_);
    column_->addLayout(middle_, 1);
    column_->addWidget(bottom_);
    middle_->addWidget(left_);
    middle_->addStretch(1);
    middle_->addWidget(right_);
}

TDock* TDockFrame::dock(TDockPosition position) const
{
    switch (position) {
    case TDockPosition::dpTop:
        return top_;
    case TDockPosition::dpBottom:
        return bottom_;
    case TDockPosition::dpLeft:
        return left_;
    case TDockPosition::dpRight:
        return right_;
    }
    return nullptr;
}

void TDockFrame::addTopWidget(QWidget* widget)
{
    column_->insertWidget(1 + topWidgets_, widget);
    ++topWidgets_;
}

void TDockFrame::setCentralWidget(QWidget* widget)
{
    // The middle row holds: left dock, the central widget (or a stretch), right dock.
    QLayoutItem* old = middle_->takeAt(1);
    if (old) {
        if (old->widget() && old->widget() == central_)
            central_->hide();
        delete old;
    }
    central_ = widget;
    if (widget) {
        middle_->insertWidget(1, widget, 1);
        widget->show();
    } else {
        middle_->insertStretch(1, 1);
    }
}
