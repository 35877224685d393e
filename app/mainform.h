#pragma once

#include "app/windowstack.h"
#include "dialogs/settingsframe.h"
#include "document/documentframe.h"
#include "platform/journalfile.h"
#include "settings/globals.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
struct InstanceRequest;
}

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTabBar;
class QUrl;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QWidget;
class TMainChildForm;
class TFrameToolbars;
class TLazySystemMenus;
namespace platform {
class FileWatcher;
}
namespace recovery {
struct JournalContents;
}

// The frame window: the multiple-document parent of every document window, with the
// tab strip, the menus, the docked toolbars and the frame's own commands.
//
// Its members live in mainform.cpp (start-up, settings, help, tools menu, shutdown),
// mainformmenus.cpp (menus, buttons, toolbar toggles, menu merging and shortcut keys) and
// mainformwindows.cpp (document windows, tabs, window list and arrangement).
class TMainForm : public QMainWindow, public IDocumentFrame, public ISettingsFrame, public ISettingsDialogFrame {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Reads the settings, runs the single-instance guard and loads the toolbar layout.
    // False when the program must end at once (exit code 0, nothing shown).
    bool OnCreate();
    // The first activation applies the window state and opens the remembered files, the
    // command line and, when asked, an empty document. Later activations do nothing.
    void OnActivate();
    // The parameters of the command line (without the program's own path).
    void setCommandLine(const QStringList& parameters) { commandLine_ = parameters; }
    // A later start of the program handed over its request (single instance): its files
    // open as this frame's own command line would, and the frame comes to the front.
    void OpenForwardedStart(const platform::InstanceRequest& request);

    // Document windows.
    void OpenDocument(const QString& name);
    int DocumentCounter() const { return DocumentCounter_; }
    // Document windows, most recently focused first.
    QList<TMainChildForm*> documents() const override;
    int documentCount() const override { return int(zorder_.size()); }
    TMainChildForm* activeDocument() const;
    QMdiArea* mdiArea() const { return mdiArea_; }
    QTabBar* pageCtrl() const override { return PageCtrl; }
    QWidget* pagePanel() const { return PagePanel; }
    // The tab name "Tab" + number of the tab at index i.
    QString tabName(int index) const;
    int tabIndexOf(int documentNumber) const;
    void setTabCaption(int documentNumber, const QString& caption) override;
    void selectTabOf(int documentNumber) override;   // no change notification
    void removeTabOf(int documentNumber) override;

    // The frame's menus.
    QMenu* MainMenu_Datei = nullptr;
    QMenu* MainMenu_Optionen = nullptr;
    QMenu* MainMenu_Fenster = nullptr;
    QMenu* MainMenu_Tools = nullptr;
    QMenu* MainMenu_Hilfe = nullptr;
    QAction* MainMenu_Datei_Neu = nullptr;
    QAction* MainMenu_Datei_Oeffnen = nullptr;
    QAction* MainMenu_Datei_Beenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarDateiEinblenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarBearbeitenEinblenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarMarkierungEinblenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarSuchenEinblenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarOptionenEinblenden = nullptr;
    QAction* MainMenu_Optionen_ToolbarFensterEinblenden = nullptr;
    QAction* MainMenu_Optionen_EinstellungenKonfigurieren = nullptr;
    QAction* MainMenu_Fenster_Vorheriges = nullptr;
    QAction* MainMenu_Fenster_Naechstes = nullptr;
    QAction* MainMenu_Fenster_Laengsteilen = nullptr;
    QAction* MainMenu_Fenster_Querteilen = nullptr;
    QAction* MainMenu_Fenster_Ueberlappen = nullptr;
    QAction* MainMenu_Fenster_SymboleAnordnen = nullptr;
    QAction* MainMenu_Hilfe_Hilfethemen = nullptr;
    QAction* MainMenu_Hilfe_Infos = nullptr;

    // The toolbar buttons' commands: each button shows and triggers its action, so the
    // enabled state lives here. The buttons that follow the active document's state are
    // TDocumentButtons.
    QAction* Button_Neu = nullptr;
    QAction* Button_Oeffnen = nullptr;
    QAction* Button_Drucken = nullptr;
    QAction* Button_NichtsMarkieren = nullptr;
    QAction* Button_AllesMarkieren = nullptr;
    QAction* Button_Suchen = nullptr;
    QAction* Button_Weitersuchen = nullptr;
    QAction* Button_EinstellungenKonfigurieren = nullptr;
    QAction* Button_Infos = nullptr;
    QAction* Button_Laengsteilen = nullptr;
    QAction* Button_Querteilen = nullptr;
    QAction* Button_Ueberlappen = nullptr;

    TFrameToolbars* toolbars() const { return toolbars_; }

    // Commands.
    void MainMenu_Datei_Neu_OnClick() override;
    void MainMenu_Datei_Oeffnen_OnClick() override;
    void MainMenu_Datei_Beenden_OnClick() override;
    void MainMenu_Fenster_Vorheriges_OnClick();
    void MainMenu_Fenster_Naechstes_OnClick();
    void MainMenu_Fenster_Laengsteilen_OnClick();
    void MainMenu_Fenster_Querteilen_OnClick();
    void MainMenu_Fenster_Ueberlappen_OnClick();
    void MainMenu_Fenster_SymboleAnordnen_OnClick();
    void MainMenu_Optionen_EinstellungenKonfigurieren_OnClick();
    void MainMenu_Hilfe_Hilfethemen_OnClick();
    void MainMenu_Hilfe_Infos_OnClick();
    void MainMenu_Tools_OnClick(QAction* sender);
    // The six toolbar toggles of "&Optionen".
    void MainMenu_Optionen_ToolbarDateiEinblenden_OnClick();
    void MainMenu_Optionen_ToolbarBearbeitenEinblenden_OnClick();
    void MainMenu_Optionen_ToolbarMarkierungEinblenden_OnClick();
    void MainMenu_Optionen_ToolbarSuchenEinblenden_OnClick();
    void MainMenu_Optionen_ToolbarOptionenEinblenden_OnClick();
    void MainMenu_Optionen_ToolbarFensterEinblenden_OnClick();
    // The fourteen buttons that run a command of the active document window.
    void Button_Speichern_OnClick();
    void Button_Drucken_OnClick();
    void Button_Rueckgaengig_OnClick();
    void Button_Wiederherstellen_OnClick();
    void Button_Ausschneiden_OnClick();
    void Button_Kopieren_OnClick();
    void Button_Einfuegen_OnClick();
    void Button_Loeschen_OnClick();
    void Button_Grossbuchstaben_OnClick();
    void Button_Kleinbuchstaben_OnClick();
    void Button_NichtsMarkieren_OnClick();
    void Button_AllesMarkieren_OnClick();
    void Button_Suchen_OnClick();
    void Button_Weitersuchen_OnClick();
    void PageCtrlChange();

    // The Tools menu.
    void AddTool(const QString& name, const QString& command) override;
    QList<QAction*> toolItems() const;
    QList<ToolEntry> toolEntries() const override;
    void clearTools() override;
    void applyViewSettings(bool showSelectionBar, bool autoUrlDetection) override;

    // Menu merging: the bar is rebuilt from the frame's menus and the active document's.
    void rebuildMenuBar();
    // The menus whose items take shortcut keys, in the order keys are offered to them.
    QList<QMenu*> shortcutMenus(bool fromEditor) const;
    // Offers a key to the menus as the dispatch rule says; true when a menu item took it.
    bool dispatchShortcut(const QKeySequence& key, bool fromEditor);

    // ISettingsFrame
    int frameWidth() const override;
    int frameHeight() const override;
    void setFrameWidth(int width) override;
    void setFrameHeight(int height) override;
    TWindowState frameWindowState() const override;
    QString openDialogFilter() const override { return openFilter_; }
    void setOpenDialogFilter(const QString& filter) override { openFilter_ = filter; }
    QString saveDialogFilter() const override { return saveFilter_; }
    void setSaveDialogFilter(const QString& filter) override { saveFilter_ = filter; }
    QStringList documentCaptions() const override;
    void saveToolbarLayout(const QString& iniFileName) override;

    // The shared save dialog: remembers its folder and name across uses.
    QString runSaveDialog(const QString& proposedFolder, const QString& proposedName, bool propose) override;

    // Called by document windows.
    void documentCreated(TMainChildForm* child) override;
    void documentActivated(TMainChildForm* child);
    void documentDestroyed(TMainChildForm* child) override;
    // The frame returns to its empty state (last document closing).
    void enterEmptyState() override;
    // A close that stopped after the windows had agreed: the frame shows its documents again
    // with their tabs, buttons and state, as before the questions.
    void resumeAfterStoppedClose();

    // Many windows opened in a row: the menu bar and the client area are updated once, at
    // the end of the batch.
    void beginBatch();
    void endBatch();

    // Recovery at start: offers the journals that an earlier run left and that no running
    // instance holds; answered Ja, each opens as a modified document window. Returns the
    // full paths of the recovered documents (so that they are not opened a second time).
    QStringList OfferRecovery();
    TMainChildForm* OpenRecoveredDocument(const recovery::JournalContents& contents,
                                          std::unique_ptr<platform::JournalFile> file);

    // Closing: every document window is asked first; then the settings are written.
    bool queryCloseDocuments();

    // Changes made outside: the files of all document windows are watched, and looked at
    // whenever the frame becomes active and after every save (mainformfiles.cpp).
    platform::FileWatcher& fileWatcher() override { return *fileWatcher_; }
    void documentFileWritten(TMainChildForm* child) override;
    // Each document window whose file changed since the user was last told asks its
    // question, in tab order; nothing while the frame is inactive or a dialog is open.
    void checkDocumentFiles();
    // Beside the frame's commands (mainformadditions.cpp): the recently opened files,
    // files dropped on the frame and the font size of every editor.
    QMenu* MainMenu_Datei_ZuletztGeoeffnet = nullptr;
    QAction* MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren = nullptr;
    void MainMenu_Datei_ZuletztGeoeffnet_OnClick(const QString& path);
    void MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren_OnClick();
    void updateRecentFilesMenu();
    // Opens the local files of a drop, in the order given.
    void openDroppedFiles(const QList<QUrl>& urls);
    // The editors' font size: one step bigger or smaller, or back to the system's size (0).
    void zoomBy(int step);
    void setEditorFontSize(int points);
    int editorFontSize() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenus();
    void createRecentFilesMenu();
    void attachAdditions(TMainChildForm* child);
    void showDocumentCommands();
    bool zoomKey(const QKeySequence& key);
    void createButtons();
    void createCentralArea();
    QAction* makeAction(const QString& name, const QString& caption, const QKeySequence& key = {});
    TMainChildForm* createDocumentWindow();
    int addTab(int number, const QString& caption);
    void toggleToolbar(QAction* item, const QString& toolbarName);
    void forwardToActiveDocument(void (TMainChildForm::*command)());
    void updateWindowList();
    void tile(bool stacked);
    void activateDocument(TMainChildForm* child);
    void scheduleFileCheck();

    QStringList commandLine_;
    int DocumentCounter_ = 0;
    QMdiArea* mdiArea_ = nullptr;
    QWidget* PagePanel = nullptr;
    QTabBar* PageCtrl = nullptr;
    TFrameToolbars* toolbars_ = nullptr;
    QString openFilter_;
    QString saveFilter_;
    QString saveDialogFolder_;
    QString saveDialogName_;
    bool tileHorizontal_ = true;
    bool closing_ = false;
    int failedSettingsWrites_ = 0;  // settings writes that failed while closing
    quint64 activations_ = 0;  // counts documentActivated, to see whether a request reached it
    std::optional<QPoint> lastNewWindow_;  // top-left corner of the last new document window
    WindowStack<TMainChildForm> zorder_;  // most recently focused first
    QHash<int, TMainChildForm*> byNumber_;  // document number -> window
    TLazySystemMenus* systemMenus_ = nullptr;
    int batch_ = 0;
    bool menuBarStale_ = false;
    QList<QAction*> windowListActions_;
    QPointer<TMainChildForm> mergedDocument_;
    QPointer<TMainChildForm> keysHolder_;  // the window whose menu items carry their keys
    platform::FileWatcher* fileWatcher_ = nullptr;
    bool fileCheckScheduled_ = false;
    bool checkingFiles_ = false;
};

// SIGTERM, SIGHUP, SIGINT and the end of the desktop session put every recovery journal on
// the disk and end the program at once, without a question.
void installRecoveryShutdown();
