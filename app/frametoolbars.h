#pragma once

#include <QList>
#include <QString>

class QAction;
class QMainWindow;
class QWidget;

// The frame's six toolbars in their docks. The frame hands over the button actions;
// the toolbars show them as buttons.
class TFrameToolbars {
public:
    struct ToolbarDef {
        QString name;     // "Toolbar_Datei"
        QString caption;  // "Datei"
        int dockPos;      // design position in DockTop
        QList<QAction*> buttons;  // nullptr stands for a separator
        QList<QString> separatorNames;
    };

    // Builds the frame's central widget: DockTop, then the tab panel, then the client
    // area between DockLeft and DockRight, then DockBottom.
    TFrameToolbars(QMainWindow* frame, QWidget* pagePanel, QWidget* clientArea, const QList<ToolbarDef>& defs);
    ~TFrameToolbars();

    bool isToolbarVisible(const QString& name) const;
    void setToolbarVisible(const QString& name, bool visible);
    void loadLayout(const QString& iniFileName);
    void saveLayout(const QString& iniFileName);
    QWidget* toolbar(const QString& name) const;

private:
    struct Impl;
    Impl* d;
};
