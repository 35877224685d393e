#include "app/frametoolbars.h"

#include <QAction>
#include <QBoxLayout>
#include <QMainWindow>
#include <QMap>
#include <QToolBar>
#include <QToolButton>

struct TFrameToolbars::Impl {
    QMap<QString, QToolBar*> bars;
};

TFrameToolbars::TFrameToolbars(QMainWindow* frame, QWidget* pagePanel, QWidget* clientArea,
                               const QList<ToolbarSpec>& specs)
    : d(new Impl)
{
    auto* central = new QWidget(frame);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* dockTop = new QWidget(central);
    dockTop->setObjectName(QStringLiteral("DockTop"));
    auto* topRow = new QHBoxLayout(dockTop);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->setSpacing(0);
    for (const ToolbarSpec& spec : specs) {
        auto* bar = new QToolBar(spec.caption, dockTop);
        bar->setObjectName(spec.name);
        bar->setIconSize(QSize(16, 16));
        int sep = 0;
        for (QAction* action : spec.buttons) {
            if (action) {
                bar->addAction(action);
                if (QWidget* w = bar->widgetForAction(action))
                    w->setObjectName(action->objectName());
            } else {
                QAction* separator = bar->addSeparator();
                separator->setObjectName(spec.separatorNames.value(sep++));
            }
        }
        topRow->addWidget(bar);
        d->bars.insert(spec.name, bar);
    }
    topRow->addStretch(1);
    column->addWidget(dockTop);
    column->addWidget(pagePanel);
    column->addWidget(clientArea, 1);
    frame->setCentralWidget(central);
}

TFrameToolbars::~TFrameToolbars() { delete d; }

bool TFrameToolbars::isToolbarVisible(const QString& name) const
{
    QToolBar* bar = d->bars.value(name);
    return bar && !bar->isHidden();
}

void TFrameToolbars::setToolbarVisible(const QString& name, bool visible)
{
    if (QToolBar* bar = d->bars.value(name))
        bar->setVisible(visible);
}

void TFrameToolbars::loadLayout(const QString&) {}

void TFrameToolbars::saveLayout(const QString&) {}

QWidget* TFrameToolbars::toolbar(const QString& name) const { return d->bars.value(name); }
