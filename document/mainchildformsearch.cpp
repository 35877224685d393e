// The document window's commands beside the search of its "&Suchen" menu: replace, find
// backwards and go to line; the usual second keys of its menu items; and the question
// before a character that Windows-1252 cannot hold.

#include "document/mainchildform.h"

#include "document/edittext.h"
#include "document/finddialog.h"
#include "document/gotolinedialog.h"
#include "document/replacedialog.h"
#include "document/statusbar.h"
#include "document/textreplace.h"
#include "editor/texteditor.h"
#include "platform/cursor.h"
#include "platform/errors.h"
#include "platform/messagebox.h"

#include <QAction>
#include <algorithm>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace {

// The last occurrence of the pattern in line that starts before limit (a byte column).
int findLastBefore(const QByteArray& line, int limit, const SearchPattern& search)
{
    if (!search.findable)
        return -1;
    int last = -1;
    for (int from = 0;;) {
        const int hit = findInLine(line, from, search.bytes, search.matchCase, search.utf8);
        if (hit < 0 || hit >= limit)
            return last;
        last = hit;
        from = hit + 1;
    }
}

}  // namespace

void TMainChildForm::createAdditions()
{
    using C = TMainChildForm;
    // The usual keys of other editors, where no key of the menus has them already; the
    // menus go on showing their own keys. Strg+Z and Strg+Y are the editor's own.
    secondKeys_.insert(MainMenu_Datei_Oeffnen, QKeySequence(Qt::CTRL | Qt::Key_O));
    secondKeys_.insert(MainMenu_Datei_Speichern, QKeySequence(Qt::CTRL | Qt::Key_S));
    secondKeys_.insert(MainMenu_Datei_Drucken, QKeySequence(Qt::CTRL | Qt::Key_P));
    secondKeys_.insert(MainMenu_Datei_Beenden, QKeySequence(Qt::CTRL | Qt::Key_Q));
    secondKeys_.insert(MainMenu_Suchen_Suchen, QKeySequence(Qt::CTRL | Qt::Key_F));

    MainMenu_Suchen->addSeparator()->setObjectName(QStringLiteral("MainMenu_Suchen_N1"));
    MainMenu_Suchen_RueckwaertsWeitersuchen =
        addItem(MainMenu_Suchen, "MainMenu_Suchen_RueckwaertsWeitersuchen", "&Rückwärts weitersuchen",
                Qt::SHIFT | Qt::CTRL | Qt::Key_F3, true, &C::MainMenu_Suchen_RueckwaertsWeitersuchen_OnClick);
    MainMenu_Suchen_Ersetzen = addItem(MainMenu_Suchen, "MainMenu_Suchen_Ersetzen", "&Ersetzen...", Qt::CTRL | Qt::Key_H,
                                       true, &C::MainMenu_Suchen_Ersetzen_OnClick);
    MainMenu_Suchen_GeheZuZeile = addItem(MainMenu_Suchen, "MainMenu_Suchen_GeheZuZeile", "Gehe zu &Zeile...",
                                          Qt::CTRL | Qt::Key_G, true, &C::MainMenu_Suchen_GeheZuZeile_OnClick);
}

// ---------------------------------------------------------------------------
// Status text of a replacement, until the caret or the selection moves

void TMainChildForm::showReport(const QString& text)
{
    StatusBar->setSimpleText(text);
    StatusBar->setSimplePanel(true);
    reportShown_ = true;
}

void TMainChildForm::hideReport()
{
    if (!reportShown_)
        return;
    reportShown_ = false;
    StatusBar->setSimplePanel(false);
}

void TMainChildForm::selectBytes(int from, int length)
{
    const int start = RichEdit->charPosOf(from);
    RichEdit->setSelectionStart(start);
    RichEdit->setSelectionLength(RichEdit->charPosOf(from + length) - start);
}

// ---------------------------------------------------------------------------
// Find backwards: the find dialog's text and case choice, towards the start

SearchPattern TMainChildForm::searchPattern() const
{
    SearchPattern search;
    const QString wanted = findDialog_ ? findDialog_->findText() : QString();
    const QByteArray text = RichEdit->encodeText(wanted);
    search.matchCase = findDialog_ && findDialog_->matchCase();
    search.utf8 = RichEdit->Encoding() == editor::TextEncoding::Utf8;
    search.findable = RichEdit->decodeText(text) == wanted;
    search.bytes = search.matchCase ? text : textUpper(text, search.utf8);
    return search;
}

void TMainChildForm::MainMenu_Suchen_RueckwaertsWeitersuchen_OnClick()
{
    const SearchPattern search = searchPattern();
    if (search.bytes.isEmpty()) {
        MainMenu_Suchen_Suchen_OnClick();
        return;
    }
    const editor::TextBuffer& buffer = RichEdit->buffer();
    // Only an occurrence that starts before the selection (or the caret) counts.
    const int start = RichEdit->bytePosOf(RichEdit->SelectionStart());
    int line = buffer.lineOf(start);
    int limit = start - buffer.lineStart(line);
    for (;;) {
        const QByteArray lineText = buffer.text(buffer.lineStart(line), buffer.lineLength(line));
        const int hit = findLastBefore(lineText, limit, search);
        if (hit >= 0) {
            RichEdit->Refresh();
            takeKeyboardFocus();
            selectBytes(buffer.lineStart(line) + hit, int(search.bytes.size()));
            return;
        }
        if (line == 0)
            break;
        --line;
        limit = buffer.lineLength(line) + 1;
    }
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Suche abgeschloßen..."), QStringLiteral("Der Anfang der Textdatei wurde erreicht.\rSuche vom Ende beginnen ?"),
        platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
    if (answer == platform::MsgResult::Ok) {
        RichEdit->setSelectionStart(RichEdit->charPosOf(buffer.length()));
        MainMenu_Suchen_RueckwaertsWeitersuchen_OnClick();
    } else {
        FindDialog()->closeDialog();
    }
}

// ---------------------------------------------------------------------------
// Go to line

void TMainChildForm::MainMenu_Suchen_GeheZuZeile_OnClick()
{
    TTextEditorLines& lines = RichEdit->Lines();
    // The lines the caret can stand on, counted as the status bar counts them: an empty
    // last line behind a final break (or of an empty text) is one of them.
    const editor::TextBuffer& buffer = RichEdit->buffer();
    const int count = lines.LineCount();
    const int textLength = RichEdit->charPosOf(buffer.length());
    const bool emptyLast = buffer.length() == 0 || buffer.at(buffer.length() - 1) == editor::TextBuffer::kBreak;
    const int lineCount = std::max(1, count + (emptyLast ? 1 : 0));
    TGotoLineDialog dialog(lineCount, std::max(0, RichEdit->CaretLine()) + 1, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int target = dialog.line() - 1;
    const int start = lines.LineStart(target);
    takeKeyboardFocus();
    RichEdit->setSelectionStart(start >= 0 ? start : textLength);
    RichEdit->setSelectionLength(0);
}

// ---------------------------------------------------------------------------
// Replace

TReplaceDialog* TMainChildForm::ReplaceDialog()
{
    if (!replaceDialog_) {
        replaceDialog_ = new TReplaceDialog(this);
        replaceDialog_->setWindowFlag(Qt::Dialog);
        connect(replaceDialog_, &TReplaceDialog::OnFind, this, [this] { platform::runGuarded([this] { ReplaceDialog_OnFind(); }); });
        connect(replaceDialog_, &TReplaceDialog::OnReplace, this,
                [this] { platform::runGuarded([this] { ReplaceDialog_OnReplace(); }); });
        connect(replaceDialog_, &TReplaceDialog::OnReplaceAll, this,
                [this] { platform::runGuarded([this] { ReplaceDialog_OnReplaceAll(); }); });
        // The dialog belongs to its window: it goes while another document window is the
        // active one, and comes back with its own.
        if (QMdiSubWindow* sub = subWindow()) {
            if (QMdiArea* area = sub->mdiArea()) {
                connect(area, &QMdiArea::subWindowActivated, replaceDialog_, [this, sub](QMdiSubWindow* active) {
                    if (!active)
                        return;
                    if (active != sub && replaceDialog_->isVisible()) {
                        replaceDialog_->hide();
                        replaceDialog_->setProperty("hiddenWithWindow", true);
                    } else if (active == sub && replaceDialog_->property("hiddenWithWindow").toBool()) {
                        replaceDialog_->setProperty("hiddenWithWindow", false);
                        replaceDialog_->show();
                    }
                });
            }
        }
    }
    return replaceDialog_;
}

void TMainChildForm::MainMenu_Suchen_Ersetzen_OnClick()
{
    TReplaceDialog* dialog = ReplaceDialog();
    // A selection within one line is offered as the text to look for.
    const QByteArray selected = RichEdit->SelectionText();
    if (!selected.isEmpty() && !selected.contains('\r'))
        dialog->setFindText(RichEdit->decodeText(selected));
    dialog->execute();
}

namespace {

// The matcher of the dialog's choices; a regular expression that does not compile is
// told to the user.
bool usableMatcher(const TextMatcher& matcher)
{
    if (matcher.valid())
        return true;
    platform::MessageBoxService::current().show(QStringLiteral("Fehler: Regulärer Ausdruck"), matcher.errorText(),
                                                platform::MsgIcon::Error, platform::MsgButtons::Ok);
    return false;
}

}  // namespace

void TMainChildForm::ReplaceDialog_OnFind()
{
    TReplaceDialog* dialog = ReplaceDialog();
    const TextMatcher matcher(dialog->findText(), dialog->options(), RichEdit->Encoding());
    if (!usableMatcher(matcher))
        return;
    const editor::TextBuffer& buffer = RichEdit->buffer();
    // From the end of the selection on, line by line; at the end the user is asked.
    const int from = RichEdit->bytePosOf(RichEdit->SelectionStart() + RichEdit->SelectionLength());
    int line = buffer.lineOf(from);
    int column = from - buffer.lineStart(line);
    for (;;) {
        const QByteArray lineText = buffer.text(buffer.lineStart(line), buffer.lineLength(line));
        const TextMatcher::Match hit = matcher.findIn(lineText, column);
        if (hit.start >= 0) {
            RichEdit->Refresh();
            selectBytes(buffer.lineStart(line) + hit.start, hit.length);
            return;
        }
        if (line + 1 < buffer.lineCount()) {
            ++line;
            column = 0;
            continue;
        }
        const platform::MsgResult answer = platform::MessageBoxService::current().show(
            QStringLiteral("Suche abgeschloßen..."),
            QStringLiteral("Das Ende der Textdatei wurde erreicht.\rSuche von vorne beginnen ?"), platform::MsgIcon::Question,
            platform::MsgButtons::OkCancel);
        if (answer != platform::MsgResult::Ok)
            return;
        line = 0;
        column = 0;
    }
}

void TMainChildForm::ReplaceDialog_OnReplace()
{
    TReplaceDialog* dialog = ReplaceDialog();
    const TextMatcher matcher(dialog->findText(), dialog->options(), RichEdit->Encoding());
    if (!usableMatcher(matcher))
        return;
    // The selection is replaced when it is exactly one match; then the next one is found.
    const editor::TextBuffer& buffer = RichEdit->buffer();
    const int from = RichEdit->bytePosOf(RichEdit->SelectionStart());
    const int to = RichEdit->bytePosOf(RichEdit->SelectionStart() + RichEdit->SelectionLength());
    const int line = buffer.lineOf(from);
    if (!RichEdit->ReadOnly() && to > from && buffer.lineOf(to) == line) {
        const QByteArray lineText = buffer.text(buffer.lineStart(line), buffer.lineLength(line));
        const int column = from - buffer.lineStart(line);
        const TextMatcher::Match hit = matcher.findIn(lineText, column);
        if (hit.start == column && hit.length == to - from) {
            if (!RichEdit->firstUnrepresentable(dialog->replaceText()).isEmpty())
                askForUtf8(RichEdit->firstUnrepresentable(dialog->replaceText()));
            const TextMatcher after(dialog->findText(), dialog->options(), RichEdit->Encoding());
            const QByteArray current = RichEdit->buffer().text(RichEdit->buffer().lineStart(line),
                                                               RichEdit->buffer().lineLength(line));
            const int start = RichEdit->bytePosOf(RichEdit->SelectionStart()) - RichEdit->buffer().lineStart(line);
            const TextMatcher::Match again = after.findIn(current, start);
            if (again.start == start)
                RichEdit->setSelectionText(after.replacementFor(current, again, dialog->replaceText()));
        }
    }
    ReplaceDialog_OnFind();
}

void TMainChildForm::ReplaceDialog_OnReplaceAll()
{
    TReplaceDialog* dialog = ReplaceDialog();
    {
        const TextMatcher check(dialog->findText(), dialog->options(), RichEdit->Encoding());
        if (!usableMatcher(check))
            return;
    }
    if (RichEdit->ReadOnly()) {
        showReport(QStringLiteral("Das Dokument ist schreibgeschützt: nichts ersetzt."));
        return;
    }
    const QString character = RichEdit->firstUnrepresentable(dialog->replaceText());
    if (!character.isEmpty())
        askForUtf8(character);
    const TextMatcher matcher(dialog->findText(), dialog->options(), RichEdit->Encoding());
    TextMatcher::AllResult result;
    {
        platform::BusyCursor busy;
        // The text as it lies in memory when it lies in one piece (as after loading),
        // else a copy of it.
        const editor::TextBuffer& buffer = RichEdit->buffer();
        QByteArray copy;
        QByteArrayView whole = buffer.partBeforeGap();
        if (!buffer.partAfterGap().isEmpty()) {
            copy = buffer.text();
            whole = copy;
        }
        result = matcher.replaceAll(whole, dialog->replaceText());
        if (result.count > 0) {
            // One undo step from the first match to the end of the last.
            selectBytes(result.from, result.to - result.from);
            RichEdit->setSelectionText(result.replaced);
        }
    }
    showReport(QStringLiteral("%1 Stellen ersetzt.").arg(result.count));
}

// ---------------------------------------------------------------------------
// Characters that Windows-1252 cannot hold

bool TMainChildForm::askForUtf8(const QString& character)
{
    if (RichEdit->Encoding() == editor::TextEncoding::Utf8)
        return true;
    if (utf8Asked_)
        return false;
    utf8Asked_ = true;
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Zeichensatz"),
        QStringLiteral("Das Dokument ist in Windows-1252 gespeichert und kann \"%1\" nicht aufnehmen.\rDokument in UTF-8 umwandeln ?")
            .arg(character),
        platform::MsgIcon::Question, platform::MsgButtons::YesNo);
    if (answer != platform::MsgResult::Yes)
        return false;
    RichEdit->ConvertToUtf8();
    return true;
}
