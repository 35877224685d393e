#pragma once

#include "document/edittext.h"
#include "platform/fileidentity.h"
#include "platform/journalfile.h"

#include <QPointer>
#include <QString>
#include <QKeySequence>
#include <QHash>
#include <QList>
#include <QPair>
#include <QWidget>

class QAction;
class QMenu;
class QMdiSubWindow;
class IDocumentFrame;
class TFindDialog;
class TReplaceDialog;
class TStatusBar;
class TTextEditor;
namespace recovery {
class Journal;
struct JournalContents;
struct JournalHeader;
}

#include <memory>

// A document window: one text in an editor, with its status bar, its own menus (merged
// into the frame's bar while it is active) and its context menu. It reaches its frame only
// through IDocumentFrame.
//
// Its members live in mainchildform.cpp (menus, lifecycle, window commands, command state)
// and mainchildformcommands.cpp (saving, edit, search, statistics and print commands).
class TMainChildForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainChildForm(IDocumentFrame* frame);
    ~TMainChildForm() override;

    // Identity: the caption is the file's full path or "<Unbenannt>"; the tag is the
    // document number shared with the window's tab.
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    int tag() const { return tag_; }
    void setTag(int number) { tag_ = number; }
    QMdiSubWindow* subWindow() const;

    // Lifecycle handlers.
    void OnCreate();
    void OnShow();
    void OnActivate();
    void OnResize();
    bool OnCloseQuery();
    void OnClose();
    // Closes a window whose set-up failed, without a prompt.
    void discard();

    // Used by the frame while it sets the window up.
    void setStatusSimpleText(const QString& text);
    void setStatusSimplePanel(bool simple);
    void loadFile(const QString& name);
    void focusEditor();
    // The menu items carry their keys while the window is the active one.
    void setShortcutsShown(bool shown);
    // Brings the frame and this window to the front and gives the editor the keyboard.
    void takeKeyboardFocus();
    // Brings this window to the front of the frame without taking the keyboard from a
    // dialog of its own.
    void showInFront();
    bool ownsEditorWidget(const QWidget* widget) const;

    // Status bar and command state.
    void UpdateDocumentState(int code);
    void ShowCaretPosition();
    void RichEdit_OnChange();
    void RichEdit_OnSelectionChange();
    void RichEdit_OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void RichEdit_OnMouseDown();
    void RichEdit_OnUrlClick(const QString& url);
    void PopupMenu_OnPopup();

    // The document's file. The window knows the file as it last read or wrote it, and as
    // the user was last told about it, so that each change made outside is told once and
    // a save never writes over one unasked. Members in mainchildformfile.cpp.
    const platform::FileIdentity& knownFile() const { return knownFile_; }
    // After loading or saving: the file as it is now is the window's own.
    void rememberFile();
    // Tells the user of a change made outside since last told (a question, or a message
    // when the file is gone); true when it said something.
    bool checkFileChangedOutside();
    // Whether checkFileChangedOutside would say something now.
    bool hasUntoldOutsideChange() const;
    // Reads the file again as one undo step; the caret stays on its line where it can.
    void reloadFile();

    // Saving.
    bool SaveDocument(const QString& fileName);
    bool SaveDocumentAs(const QString& fileName);

    // Commands.
    void MainMenu_Datei_Neu_OnClick();
    void MainMenu_Datei_Oeffnen_OnClick();
    void MainMenu_Datei_Speichern_OnClick();
    void MainMenu_Datei_SpeichernUnter_OnClick();
    void MainMenu_Datei_Schliessen_OnClick();
    void MainMenu_Datei_AlleSchliessen_OnClick();
    void MainMenu_Datei_Statistik_OnClick();
    void MainMenu_Datei_Drucken_OnClick();
    void MainMenu_Datei_DruckerEinrichten_OnClick();
    void MainMenu_Datei_Beenden_OnClick();
    void MainMenu_Bearbeiten_Rueckgaengig_OnClick();
    void MainMenu_Bearbeiten_Wiederherstellen_OnClick();
    void MainMenu_Bearbeiten_Ausschneiden_OnClick();
    void MainMenu_Bearbeiten_Kopieren_OnClick();
    void MainMenu_Bearbeiten_Einfuegen_OnClick();
    void MainMenu_Bearbeiten_Loeschen_OnClick();
    void MainMenu_Bearbeiten_DatumUhrzeitEinfuegen_OnClick();
    void MainMenu_Bearbeiten_DateinameEinfuegen_OnClick();
    void MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
    void MainMenu_Bearbeiten_ZeilenUmbrechen_OnClick();
    void MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick();
    void MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick();
    void MainMenu_Markierung_NichtsMarkieren_OnClick();
    void MainMenu_Markierung_AllesMarkieren_OnClick();
    void MainMenu_Suchen_Suchen_OnClick();
    void MainMenu_Suchen_Weitersuchen_OnClick();
    // The find dialog's own find-next: as "&Weitersuchen", but the keyboard stays in the
    // dialog.
    void findFromDialog();
    // The window stops or starts being the active one: its find dialog hides with it and
    // comes back with it.
    void setFindDialogFollows(bool active);
    // One step of a search: true to stop, false to go on with the next line.
    bool NextSearchLine(int& line, int& column);
    // Beside the search commands (mainchildformsearch.cpp): replace, find backwards, go
    // to line.
    void MainMenu_Suchen_Ersetzen_OnClick();
    void MainMenu_Suchen_RueckwaertsWeitersuchen_OnClick();
    void MainMenu_Suchen_GeheZuZeile_OnClick();
    void ReplaceDialog_OnFind();
    void ReplaceDialog_OnReplace();
    void ReplaceDialog_OnReplaceAll();
    // The replace dialog, made when it is first needed.
    TReplaceDialog* ReplaceDialog();
    // Before a character that Windows-1252 cannot hold enters a Windows-1252 text: asks
    // once per document whether to convert it to UTF-8. True when the text is UTF-8 then.
    bool askForUtf8(const QString& character);

    // Recovery. The journal of the unsaved text (none when [Save] Recovery is off).
    recovery::Journal* journal() const { return journal_.get(); }
    // Takes over the text of a journal left by an earlier run, modified; previous is that
    // journal's file, deleted once this window's own journal holds the text.
    void adoptRecoveredText(const recovery::JournalContents& contents, std::unique_ptr<platform::JournalFile> previous);
    // The stat fields of the file the text was loaded from or last saved to (for a
    // recovered text: as the journal recorded them), and whether, for a recovered text,
    // the file is no longer that one (changed or gone since): then the next save must ask
    // before it overwrites.
    const platform::FileStamp& baseFileStamp() const { return baseStamp_; }
    bool recoveredChangedOutside() const { return recoveredChangedOutside_; }

    // Applies the view settings (selection bar, link detection).
    void applyViewSettings(bool showSelectionBar, bool autoUrlDetection);

    TTextEditor* RichEdit = nullptr;
    TStatusBar* StatusBar = nullptr;
    // The find dialog, made when it is first needed; it keeps its text for the window's life.
    TFindDialog* FindDialog();

    QMenu* MainMenu_Datei = nullptr;
    QMenu* MainMenu_Bearbeiten = nullptr;
    QMenu* MainMenu_Markierung = nullptr;
    QMenu* MainMenu_Suchen = nullptr;
    QMenu* PopupMenu = nullptr;

    QAction* MainMenu_Datei_Neu = nullptr;
    QAction* MainMenu_Datei_Oeffnen = nullptr;
    QAction* MainMenu_Datei_Speichern = nullptr;
    QAction* MainMenu_Datei_SpeichernUnter = nullptr;
    QAction* MainMenu_Datei_Schliessen = nullptr;
    QAction* MainMenu_Datei_AlleSchliessen = nullptr;
    QAction* MainMenu_Datei_Statistik = nullptr;
    QAction* MainMenu_Datei_Drucken = nullptr;
    QAction* MainMenu_Datei_DruckerEinrichten = nullptr;
    QAction* MainMenu_Datei_Beenden = nullptr;
    QAction* MainMenu_Bearbeiten_Rueckgaengig = nullptr;
    QAction* MainMenu_Bearbeiten_Wiederherstellen = nullptr;
    QAction* MainMenu_Bearbeiten_Ausschneiden = nullptr;
    QAction* MainMenu_Bearbeiten_Kopieren = nullptr;
    QAction* MainMenu_Bearbeiten_Einfuegen = nullptr;
    QAction* MainMenu_Bearbeiten_Loeschen = nullptr;
    QAction* MainMenu_Bearbeiten_DatumUhrzeitEinfuegen = nullptr;
    QAction* MainMenu_Bearbeiten_DateinameEinfuegen = nullptr;
    QAction* MainMenu_Bearbeiten_NurLesenZulassen = nullptr;
    QAction* MainMenu_Bearbeiten_ZeilenUmbrechen = nullptr;
    QAction* MainMenu_Markierung_InGrobuchstabenUmwandeln = nullptr;
    QAction* MainMenu_Markierung_InKleinbuchstabenUmwandeln = nullptr;
    QAction* MainMenu_Markierung_NichtsMarkieren = nullptr;
    QAction* MainMenu_Markierung_AllesMarkieren = nullptr;
    QAction* MainMenu_Suchen_Suchen = nullptr;
    QAction* MainMenu_Suchen_Weitersuchen = nullptr;
    QAction* MainMenu_Suchen_Ersetzen = nullptr;
    QAction* MainMenu_Suchen_RueckwaertsWeitersuchen = nullptr;
    QAction* MainMenu_Suchen_GeheZuZeile = nullptr;
    QAction* PopupMenu_Rueckgaengig = nullptr;
    QAction* PopupMenu_Ausschneiden = nullptr;
    QAction* PopupMenu_Kopieren = nullptr;
    QAction* PopupMenu_Einfuegen = nullptr;
    QAction* PopupMenu_Loeschen = nullptr;
    QAction* PopupMenu_AllesMarkieren = nullptr;

signals:
    // Strg and the mouse wheel over the editor: steps of the font size (+1, -1).
    void zoomRequested(int step);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenus();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key, bool enabled,
                     void (TMainChildForm::*handler)(), bool deferred = false);
    void insertLineAtCaret(const QString& text);
    void convertSelection(bool upper);
    void setItemAndButton(QAction* item, QAction* button, bool enabled);
    // Asks before a save over a file that another program changed; false to write nothing.
    bool mayOverwrite(const QString& fileName);
    // The user was told that the file is gone; its folder is still there.
    bool fileVanished() const;
    // After a failed write into the file it was asked to write: its state is our own.
    void rememberFailedWrite(const QString& fileName);
    void watchFile(const QString& path);
    // After a save or a reload: the file holds the text, and its journal has done its work.
    void fileHoldsTheText(const QString& fileName);
    void createAdditions();
    void selectBytes(int from, int length);
    // The find dialog's text and options, ready to search this document.
    SearchPattern searchPattern() const;
    void showReport(const QString& text);
    void hideReport();
    // The window's title bar shows the caption, shortened in the middle when it is too long.
    void updateTitleBar();

    void journalTextEdit(int pos, int removed, int inserted);
    void fillJournalHeader(recovery::JournalHeader* header);

    IDocumentFrame* frame_;
    std::unique_ptr<recovery::Journal> journal_;
    platform::FileStamp baseStamp_;
    bool recoveredChangedOutside_ = false;
    int journalEncoding_ = -1;  // of the journal's last base
    bool fileIsSource_ = false;  // the text is what the file named by the caption holds
    TFindDialog* findDialog_ = nullptr;
    QString caption_;
    int tag_ = 0;
    bool closed_ = false;
    QList<QPair<QAction*, QKeySequence>> keyedItems_;
    QHash<QAction*, QKeySequence> secondKeys_;  // the usual keys beside the menu's own
    TReplaceDialog* replaceDialog_ = nullptr;
    bool utf8Asked_ = false;
    bool reportShown_ = false;
    bool shortcutsShown_ = false;
    platform::FileIdentity knownFile_;
    platform::FileIdentity toldFile_;
    QString watchedPath_;
    bool searchFromDialog_ = false;
    bool titleBarFollows_ = false;
    bool findDialogHidden_ = false;  // hidden because another window became the active one
};
