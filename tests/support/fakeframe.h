#pragma once

#include "dialogs/settingsframe.h"
#include "dialogs/toolsgridrules.h"
#include "settings/globals.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The open and save filter the frame starts with, as the user sees it in the settings
// dialog's combo boxes.
inline const QString kDefaultFilter = QStringLiteral(
    "Textdateien [*.txt]|*.txt|Html-Dokumente [*.htm;*.html]|*.htm;*.html|"
    "Quellcode [*.c;*.h;*.mak;*.dpr;*.pas]|*.c;*.h;*.mak;*.dpr;*.pas|Alle Dateien [*.*]|*.*");

// The frame as the settings reader and the settings dialog see it, recording what they do
// to it. One class serves both interfaces, as the real frame does.
class FakeFrame : public ISettingsDialogFrame, public ISettingsFrame {
public:
    int width = 595;
    int height = 415;
    int widthSets = 0;
    int heightSets = 0;
    TWindowState state = TWindowState::wsNormal;
    QString openFilter = kDefaultFilter;
    QString saveFilter = kDefaultFilter;
    QList<ToolEntry> tools;
    bool toolsMenuVisible = false;
    int clearCalls = 0;
    QStringList captions;
    QStringList toolbarSaves;
    QList<std::pair<bool, bool>> viewSettings;  // each call: selection bar, link detection
    std::function<void()> onApplyView;

    int frameWidth() const override { return width; }
    int frameHeight() const override { return height; }
    void setFrameWidth(int w) override
    {
        width = w;
        ++widthSets;
    }
    void setFrameHeight(int h) override
    {
        height = h;
        ++heightSets;
    }
    TWindowState frameWindowState() const override { return state; }
    QString openDialogFilter() const override { return openFilter; }
    void setOpenDialogFilter(const QString& f) override { openFilter = f; }
    QString saveDialogFilter() const override { return saveFilter; }
    void setSaveDialogFilter(const QString& f) override { saveFilter = f; }
    QList<ToolEntry> toolEntries() const override { return tools; }
    void clearTools() override
    {
        ++clearCalls;
        tools.clear();
        toolsMenuVisible = false;
    }
    void AddTool(const QString& name, const QString& command) override
    {
        tools.append({name, command});
        toolsMenuVisible = true;
    }
    void applyViewSettings(bool showSelectionBar, bool autoUrlDetection) override
    {
        viewSettings.append({showSelectionBar, autoUrlDetection});
        if (onApplyView)
            onApplyView();
    }
    QStringList documentCaptions() const override { return captions; }
    void saveToolbarLayout(const QString& iniFileName) override { toolbarSaves.append(iniFileName); }
};
