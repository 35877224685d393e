#pragma once

#include <QList>
#include <QString>

class QAction;
class QTabBar;
class TMainChildForm;
namespace platform {
class FileWatcher;
}

// The frame's toolbar buttons whose enabled state follows the active document window.
// Each button shows and triggers its action; the document window sets the state.
struct TDocumentButtons {
    QAction* Button_Speichern = nullptr;
    QAction* Button_Rueckgaengig = nullptr;
    QAction* Button_Wiederherstellen = nullptr;
    QAction* Button_Ausschneiden = nullptr;
    QAction* Button_Kopieren = nullptr;
    QAction* Button_Einfuegen = nullptr;
    QAction* Button_Loeschen = nullptr;
    QAction* Button_Grossbuchstaben = nullptr;
    QAction* Button_Kleinbuchstaben = nullptr;
};

// What a document window needs of the frame that holds it; TMainForm implements it.
class IDocumentFrame : public TDocumentButtons {
public:
    virtual ~IDocumentFrame() = default;

    // The frame's list of document windows, most recently focused first.
    virtual QList<TMainChildForm*> documents() const = 0;
    virtual int documentCount() const = 0;
    virtual void documentCreated(TMainChildForm* child) = 0;
    virtual void documentDestroyed(TMainChildForm* child) = 0;
    // The last document window is closing: the frame returns to its empty state.
    virtual void enterEmptyState() = 0;

    // The tab strip: one tab per window, found by the window's document number.
    virtual QTabBar* pageCtrl() const = 0;
    virtual void setTabCaption(int documentNumber, const QString& caption) = 0;
    virtual void selectTabOf(int documentNumber) = 0;   // no change notification
    virtual void removeTabOf(int documentNumber) = 0;

    // The frame's own commands that a document window's menu offers too.
    virtual void MainMenu_Datei_Neu_OnClick() = 0;
    virtual void MainMenu_Datei_Oeffnen_OnClick() = 0;
    virtual void MainMenu_Datei_Beenden_OnClick() = 0;

    // Watches the files of all document windows.
    virtual platform::FileWatcher& fileWatcher() = 0;
    // A window wrote its file: other windows showing that file are told.
    virtual void documentFileWritten(TMainChildForm* child) = 0;

    // The shared save dialog: remembers its folder and name across uses. Empty when the
    // user cancels.
    virtual QString runSaveDialog(const QString& proposedFolder, const QString& proposedName, bool propose) = 0;
};
