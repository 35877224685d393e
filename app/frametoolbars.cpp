#include "app/frametoolbars.h"

#include "toolbars/dockframe.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"
#include "toolbars/toolbarlayout.h"
#include "toolbars/toolbarsep.h"

#include <QAction>
#include <QMainWindow>
#include <QMap>

struct TFrameToolbars::Impl {
    QMainWindow* frame = nullptr;
    TDockFrame* docks = nullptr;
    QMap<QString, TToolbar*> bars;
};

TFrameToolbars::TFrameToolbars(QMainWindow* frame, QWidget* pagePanel, QWidget* clientArea,
                               const QList<ToolbarDef>& defs)
    : d(new Impl)
{
    d->frame = frame;
    d->docks = new TDockFrame(frame, frame);
    d->docks->setObjectName(QStringLiteral("DockFrame"));
    frame->setCentralWidget(d->docks);
    d->docks->addTopWidget(pagePanel);
    d->docks->setCentralWidget(clientArea);

    for (const ToolbarDef& def : defs) {
        auto* bar = new TToolbar(frame);
        bar->setObjectName(def.name);
        bar->setCaption(def.caption);
        int separator = 0;
        for (QAction* action : def.buttons) {
            if (!action) {
                auto* sep = new TToolbarSep;
                sep->setObjectName(def.separatorNames.value(separator++));
                bar->addControl(sep);
                continue;
            }
            // The button shows its command's icon, hint and enabled state and runs it.
            auto* button = new TToolbarButton;
            button->setObjectName(action->objectName());
            button->setDefaultAction(action);
            button->setHint(action->toolTip());
            const bool wide = action->objectName() == QLatin1String("Button_Querteilen") ||
                              action->objectName() == QLatin1String("Button_Ueberlappen");
            button->setImage(action->icon(), wide ? QSize(17, 17) : QSize(16, 16));
            bar->addControl(button);
        }
        bar->setDockPos(def.dockPos);
        bar->setDockedTo(d->docks->dockTop());
        d->bars.insert(def.name, bar);
    }
}

TFrameToolbars::~TFrameToolbars() { delete d; }

bool TFrameToolbars::isToolbarVisible(const QString& name) const
{
    TToolbar* bar = d->bars.value(name);
    return bar && bar->Visible();
}

void TFrameToolbars::setToolbarVisible(const QString& name, bool visible)
{
    if (TToolbar* bar = d->bars.value(name))
        bar->setVisible(visible);
}

void TFrameToolbars::loadLayout(const QString& iniFileName) { LoadToolbarLayout(d->frame, iniFileName); }

void TFrameToolbars::saveLayout(const QString& iniFileName) { SaveToolbarLayout(d->frame, iniFileName); }

QWidget* TFrameToolbars::toolbar(const QString& name) const { return d->bars.value(name); }
