#pragma once

#include "dialogs/toolsgridrules.h"

#include <QList>
#include <QString>

// What the settings dialog needs of the frame; TMainForm implements it. The filter and
// AddTool members have the same signatures as in ISettingsFrame (settings/globals.h), so one
// implementation in the frame serves both.
class ISettingsDialogFrame {
public:
    virtual ~ISettingsDialogFrame() = default;

    // The items of the Tools menu in menu order: caption as name, hint as command.
    virtual QList<ToolEntry> toolEntries() const = 0;
    // Removes and destroys every item of the Tools menu and hides the menu.
    virtual void clearTools() = 0;
    // Appends one item (caption = name, hint = command) and shows the Tools menu.
    virtual void AddTool(const QString& name, const QString& command) = 0;

    // The filter strings of the frame's open and save dialogs.
    virtual QString openDialogFilter() const = 0;
    virtual void setOpenDialogFilter(const QString& filter) = 0;
    virtual QString saveDialogFilter() const = 0;
    virtual void setSaveDialogFilter(const QString& filter) = 0;

    // Every open document window: the selection bar is set when it differs, and link
    // detection becomes adDefault when autoUrlDetection is true, adNone otherwise.
    virtual void applyViewSettings(bool showSelectionBar, bool autoUrlDetection) = 0;
};
