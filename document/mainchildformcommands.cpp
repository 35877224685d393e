#include "document/mainchildform.h"

#include "dialogs/statisticsdialog.h"
#include "document/documentframe.h"
#include "document/documentprinting.h"
#include "document/editorstatistics.h"
#include "document/edittext.h"
#include "document/finddialog.h"
#include "editor/texteditor.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "platform/messagebox.h"
#include "platform/probe.h"
#include "recovery/journal.h"
#include "settings/globals.h"

#include <exception>

// ---------------------------------------------------------------------------
// Saving

bool TMainChildForm::SaveDocumentAs(const QString& fileName)
{
    const QString folder = platform::directoryPart(fileName);
    const bool propose = !folder.isEmpty() && platform::isDirectory(folder);
    const QString chosen = frame_->runSaveDialog(folder, platform::fileNamePart(fileName), propose);
    if (chosen.isEmpty())
        return false;
    return SaveDocument(platform::fullPath(chosen));
}

bool TMainChildForm::SaveDocument(const QString& fileName)
{
    auto& messages = platform::MessageBoxService::current();
    // Another program's change is never written over unasked.
    if (!mayOverwrite(fileName))
        return false;
    if (platform::fileExists(fileName) && Globals::IsFileReadOnly(fileName)) {
        const platform::MsgResult answer = messages.show(
            QStringLiteral("Datei ist schreibgeschützt..."),
            QStringLiteral("Die angegebene Datei \"%1\" ist schreibgeschützt.\rDateiattribut entfernen und dann überschreiben ?")
                .arg(fileName),
            platform::MsgIcon::Question, platform::MsgButtons::YesNoCancel);
        if (answer == platform::MsgResult::Cancel)
            return false;
        if (answer == platform::MsgResult::No)
            return SaveDocumentAs(fileName);
        if (!platform::clearReadOnly(fileName)) {
            messages.show(QStringLiteral("Fehler:"),
                          QStringLiteral("Das Dateiattribut Schreibgeschützt konnte nicht entfernt werden.\r"
                                         "Speichervorgang wird abgebrochen."),
                          platform::MsgIcon::Error, platform::MsgButtons::Ok);
            return false;
        }
    }

    // What went wrong is shown only once the busy display has gone.
    const QString failCaption = QStringLiteral("Fehler: Speichern fehlgeschlagen...");
    QString failText;
    std::exception_ptr writeError;
    {
        // The busy display, removed on every way out.
        platform::BusyCursor busy;
        setStatusSimpleText(QStringLiteral("Datei wird gespeichert..."));
        struct StatusRestore {
            TMainChildForm* self;
            ~StatusRestore() { self->setStatusSimplePanel(false); }
        } restore{this};

        // The probe tests that the file can be written without cutting it.
        const bool existed = platform::fileExists(fileName);
        platform::ProbeCreated created;
        QString reason;
        const platform::ProbeResult probe = platform::probeWritable(fileName, &created, &reason);
        if (probe == platform::ProbeResult::OpenFailed) {
            failText = existed ? QStringLiteral("In Datei \"%1\" konnte nicht geschrieben werden.").arg(fileName)
                               : QStringLiteral("Die Datei \"%1\" konnte nicht erstellt werden.").arg(fileName);
        } else if (probe == platform::ProbeResult::CloseFailed) {
            platform::removeProbeFile(created);
            failText = QStringLiteral("Der Text konnte nicht in \"%1\" gespeichert werden.").arg(fileName);
        } else {
            try {
                RichEdit->Lines().SaveTextFile(fileName);
            } catch (...) {
                // Whatever the error, the old file stays as it was, the document stays
                // modified, and a file that only the probe made goes again.
                platform::removeProbeFile(created);
                writeError = std::current_exception();
            }
        }
        // The message says why, where the system told.
        if (!failText.isEmpty() && !reason.isEmpty())
            failText += QLatin1Char('\r') + platform::errorReportText(reason);
    }
    if (!failText.isEmpty() || writeError)
        rememberFailedWrite(fileName);
    if (!failText.isEmpty()) {
        messages.show(failCaption, failText, platform::MsgIcon::Error, platform::MsgButtons::Ok);
        return false;
    }
    if (writeError) {
        platform::showErrorReport(writeError);
        return false;
    }
    RichEdit->setTextModified(false);
    UpdateDocumentState(11);
    Globals::NoteRecentFile(fileName);
    fileHoldsTheText(fileName);
    if (caption_ != fileName) {
        setCaption(fileName);
        frame_->setTabCaption(tag_, platform::fileNamePart(fileName));
    }
    // Our own write is no change made outside; for another window on this file it is.
    rememberFile();
    frame_->documentFileWritten(this);
    return true;
}

void TMainChildForm::MainMenu_Datei_Speichern_OnClick()
{
    if (Globals::IsDocumentFile(caption_))
        SaveDocument(caption_);
    else
        MainMenu_Datei_SpeichernUnter_OnClick();
}

void TMainChildForm::MainMenu_Datei_SpeichernUnter_OnClick() { SaveDocumentAs(caption_); }

// ---------------------------------------------------------------------------
// Edit commands

void TMainChildForm::MainMenu_Bearbeiten_Rueckgaengig_OnClick() { RichEdit->UndoLastStep(); }
void TMainChildForm::MainMenu_Bearbeiten_Wiederherstellen_OnClick() { RichEdit->RedoLastStep(); }
void TMainChildForm::MainMenu_Bearbeiten_Ausschneiden_OnClick() { RichEdit->CutSelection(); }
void TMainChildForm::MainMenu_Bearbeiten_Kopieren_OnClick() { RichEdit->CopySelection(); }
void TMainChildForm::MainMenu_Bearbeiten_Einfuegen_OnClick() { RichEdit->PasteClipboard(); }
void TMainChildForm::MainMenu_Bearbeiten_Loeschen_OnClick() { RichEdit->DeleteSelection(); }
void TMainChildForm::MainMenu_Markierung_AllesMarkieren_OnClick() { RichEdit->SelectWholeText(); }
void TMainChildForm::MainMenu_Markierung_NichtsMarkieren_OnClick() { RichEdit->setSelectionLength(0); }

void TMainChildForm::insertLineAtCaret(const QString& text)
{
    // A write-protected text stays as it is; the inserted line is one undo step.
    if (RichEdit->ReadOnly())
        return;
    RichEdit->Lines().InsertLine(RichEdit->CaretLine(), RichEdit->encodeText(text), true);
}

void TMainChildForm::MainMenu_Bearbeiten_DatumUhrzeitEinfuegen_OnClick()
{
    insertLineAtCaret(dateTimeInsertText(platform::ClockService::current().now(), QLocale()));
}

void TMainChildForm::MainMenu_Bearbeiten_DateinameEinfuegen_OnClick() { insertLineAtCaret(caption_); }

void TMainChildForm::MainMenu_Bearbeiten_NurLesenZulassen_OnClick()
{
    if (RichEdit->ReadOnly()) {
        RichEdit->setReadOnly(false);
        MainMenu_Bearbeiten_NurLesenZulassen->setChecked(false);
        RichEdit_OnChange();
        RichEdit_OnSelectionChange();
        MainMenu_Bearbeiten_Einfuegen->setEnabled(true);
        frame_->Button_Einfuegen->setEnabled(true);
    } else {
        RichEdit->setReadOnly(true);
        MainMenu_Bearbeiten_NurLesenZulassen->setChecked(true);
        UpdateDocumentState(20);
    }
}

void TMainChildForm::MainMenu_Bearbeiten_ZeilenUmbrechen_OnClick()
{
    if (RichEdit->WordWrap()) {
        RichEdit->setScrollBars(ssBoth);
        RichEdit->setWordWrap(false);
        MainMenu_Bearbeiten_ZeilenUmbrechen->setChecked(false);
    } else {
        RichEdit->setScrollBars(ssVertical);
        RichEdit->setWordWrap(true);
        MainMenu_Bearbeiten_ZeilenUmbrechen->setChecked(true);
    }
    RichEdit_OnChange();
}

void TMainChildForm::convertSelection(bool upper)
{
    const QByteArray text = RichEdit->SelectionText();
    const int start = RichEdit->SelectionStart();
    const bool utf8 = RichEdit->Encoding() == editor::TextEncoding::Utf8;
    RichEdit->setSelectionText(upper ? textUpper(text, utf8) : textLower(text, utf8));
    RichEdit->setSelectionStart(start);
    RichEdit->setSelectionLength(RichEdit->Encoding() == editor::TextEncoding::Utf8 ? int(editor::countUtf8Chars(text))
                                                                                   : int(text.size()));
}

void TMainChildForm::MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick() { convertSelection(true); }
void TMainChildForm::MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick() { convertSelection(false); }

// ---------------------------------------------------------------------------
// Search

void TMainChildForm::MainMenu_Suchen_Suchen_OnClick() { FindDialog()->execute(); }

void TMainChildForm::findFromDialog()
{
    // The keyboard stays in the dialog, so that the next Enter finds the next hit.
    searchFromDialog_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{searchFromDialog_};
    MainMenu_Suchen_Weitersuchen_OnClick();
}

void TMainChildForm::MainMenu_Suchen_Weitersuchen_OnClick()
{
    const SearchPattern search = searchPattern();
    if (search.bytes.isEmpty()) {
        MainMenu_Suchen_Suchen_OnClick();
        return;
    }
    int column = std::max(0, RichEdit->CaretColumn());
    int line = std::max(0, RichEdit->CaretLine());
    TTextEditorLines& lines = RichEdit->Lines();
    // Columns and lengths count characters; in UTF-8 the line is searched in its bytes.
    const bool utf8 = search.utf8;
    auto chars = [&](QByteArrayView bytes) { return utf8 ? int(editor::countUtf8Chars(bytes)) : int(bytes.size()); };
    if (RichEdit->SelectionLength() > 0) {
        const int n = chars(lines.LineText(line));
        if (column < n - 1)
            ++column;
        else if (NextSearchLine(line, column))
            return;
    }
    const QByteArray& pattern = search.bytes;
    for (;;) {
        const QByteArray lineText = lines.LineText(line);
        const int from = utf8 ? editor::utf8ByteOffset(lineText, column) : column;
        const int hit = search.findable ? findInLine(lineText, from, pattern, search.matchCase, utf8) : -1;
        if (hit >= 0) {
            RichEdit->Refresh();
            if (searchFromDialog_ && findDialog_ && findDialog_->isVisible())
                showInFront();
            else
                takeKeyboardFocus();
            RichEdit->setSelectionStart(lines.LineStart(line) + chars(QByteArrayView(lineText).first(hit)));
            RichEdit->setSelectionLength(chars(pattern));
            return;
        }
        if (NextSearchLine(line, column))
            return;
    }
}

bool TMainChildForm::NextSearchLine(int& line, int& column)
{
    if (line < RichEdit->Lines().LineCount() - 1) {
        ++line;
        column = 0;
        return false;
    }
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Suche abgeschloßen..."), QStringLiteral("Das Ende der Textdatei wurde erreicht.\rSuche von vorne beginnen ?"),
        platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
    if (answer == platform::MsgResult::Ok) {
        RichEdit->setCaretColumn(0);
        RichEdit->setCaretLine(0);
        MainMenu_Suchen_Weitersuchen_OnClick();
    } else if (findDialog_ && findDialog_->isVisible()) {
        findDialog_->closeDialog();
        takeKeyboardFocus();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Statistics and printing

void TMainChildForm::MainMenu_Datei_Statistik_OnClick()
{
    const EditorStatisticsDocument document(caption_, RichEdit->Lines(), RichEdit->Encoding() == editor::TextEncoding::Utf8);
    TStatistikForm dialog(document, this);
    dialog.exec();
}

void TMainChildForm::MainMenu_Datei_Drucken_OnClick() { printDocument(*RichEdit, caption_); }

void TMainChildForm::MainMenu_Datei_DruckerEinrichten_OnClick() { setUpPrinter(); }
