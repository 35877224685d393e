#include "document/mainchildform.h"

#include "document/documentframe.h"
#include "document/documentjournal.h"
#include "document/finddialog.h"
#include "document/statusbar.h"
#include "editor/texteditor.h"
#include "links/browser.h"
#include "links/maillink.h"
#include "platform/errors.h"
#include "platform/messagebox.h"
#include "recovery/journal.h"
#include "settings/globals.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTabBar>
#include <QWheelEvent>

TMainChildForm::TMainChildForm(IDocumentFrame* frame) : QWidget(nullptr), frame_(frame)
{
    setObjectName(QStringLiteral("MainChildForm"));
    RichEdit = new TTextEditor(this);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setUndoLimit(50);
    RichEdit->setShowSelectionBar(true);
    RichEdit->setAutoURLDetect(adDefault);
    StatusBar = new TStatusBar(this);
    StatusBar->addPanel(QStringLiteral("0 Zeichen markiert."), 208, Qt::AlignLeft, false);
    // The design's 60 pixels are widened where the system's font needs more.
    StatusBar->addPanel(QStringLiteral("Gesichert"),
                        StatusBar->widthFor(60, {QStringLiteral("Gesichert"), QStringLiteral("Modifiziert")}),
                        Qt::AlignHCenter);
    StatusBar->addPanel(QStringLiteral("Einfg."),
                        StatusBar->widthFor(60, {QStringLiteral("Einfg."), QStringLiteral("Überschr.")}),
                        Qt::AlignLeft);
    StatusBar->addPanel(QStringLiteral("0:0"), 120, Qt::AlignHCenter);
    StatusBar->addPanel(QStringLiteral("0%"), 50, Qt::AlignLeft);
    StatusBar->setSimplePanel(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(RichEdit, 1);
    layout->addWidget(StatusBar);
    resize(477, 290);

    createMenus();

    if (Globals::Settings().Recovery) {
        journal_ = std::make_unique<recovery::Journal>([this] {
            recovery::JournalHeader header;
            fillJournalHeader(&header);
            return journalSnapshotOf(RichEdit->buffer(), std::move(header));
        });
        connect(RichEdit, &TTextEditor::OnTextEdit, this,
                [this](int pos, int removed, int inserted) { journalTextEdit(pos, removed, inserted); });
    }
    connect(RichEdit, &TTextEditor::OnChange, this, [this] { platform::runGuarded([this] { RichEdit_OnChange(); }); });
    connect(RichEdit, &TTextEditor::OnSelectionChange, this,
            [this] { platform::runGuarded([this] { RichEdit_OnSelectionChange(); }); });
    connect(RichEdit, &TTextEditor::OnKeyDown, this,
            [this](QKeyEvent* event) { RichEdit_OnKeyDown(event->key(), event->modifiers()); });
    connect(RichEdit, &TTextEditor::OnMouseDown, this, [this] { RichEdit_OnMouseDown(); });
    connect(RichEdit, &TTextEditor::OnURLClick, this,
            [this](const QString& url) { platform::runGuarded([this, url] { RichEdit_OnUrlClick(url); }); });

    // The context menu opens on the right mouse button over the editor.
    RichEdit->installEventFilter(this);
    RichEdit->viewport()->installEventFilter(this);
}

TFindDialog* TMainChildForm::FindDialog()
{
    if (!findDialog_) {
        findDialog_ = new TFindDialog(this);
        findDialog_->setWindowFlag(Qt::Dialog);
        connect(findDialog_, &TFindDialog::OnFind, this, [this] { platform::runGuarded([this] { findFromDialog(); }); });
        // Escape or "Abbrechen": the editor takes the keyboard again.
        connect(findDialog_, &QDialog::rejected, this, [this] { takeKeyboardFocus(); });
    }
    return findDialog_;
}

void TMainChildForm::setFindDialogFollows(bool active)
{
    if (!findDialog_)
        return;
    if (!active) {
        if (findDialog_->isVisible()) {
            findDialogHidden_ = true;
            findDialog_->hide();
        }
    } else if (findDialogHidden_) {
        findDialogHidden_ = false;
        findDialog_->show();
    }
}

TMainChildForm::~TMainChildForm()
{
    watchFile(QString());
    // The journal's file stays for the next start (a normal end has deleted it already).
    journal_.reset();
    if (!closed_)
        frame_->documentDestroyed(this);
}

void TMainChildForm::setShortcutsShown(bool shown)
{
    if (shortcutsShown_ == shown)
        return;
    shortcutsShown_ = shown;
    for (const auto& [action, key] : keyedItems_) {
        QList<QKeySequence> keys;
        if (shown) {
            keys << key;
            if (const QKeySequence second = secondKeys_.value(action); !second.isEmpty())
                keys << second;
        }
        action->setShortcuts(keys);
    }
}

QAction* TMainChildForm::addItem(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key,
                                 bool enabled, void (TMainChildForm::*handler)(), bool deferred)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        // The key is given to the item while this window is the active one (the frame
        // offers keys to the active window's menus only); every key registered costs each
        // later registration a little, so hundreds of windows would slow each other down.
        action->setShortcutContext(Qt::WidgetShortcut);
        keyedItems_.append({action, key});
    }
    action->setEnabled(enabled);
    if (handler) {
        auto run = [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); };
        // A command that may close this window runs once the menu has finished with its
        // item: the window, its menus and this action must outlive the click.
        connect(action, &QAction::triggered, this, run, deferred ? Qt::QueuedConnection : Qt::AutoConnection);
    }
    menu->addAction(action);
    return action;
}

void TMainChildForm::createMenus()
{
    using C = TMainChildForm;
    MainMenu_Datei = new QMenu(QStringLiteral("&Datei"), this);
    MainMenu_Datei->setObjectName(QStringLiteral("MainMenu_Datei"));
    MainMenu_Datei->menuAction()->setToolTip(QStringLiteral("Datei"));
    MainMenu_Datei_Neu = addItem(MainMenu_Datei, "MainMenu_Datei_Neu", "&Neu", Qt::Key_F2, true, &C::MainMenu_Datei_Neu_OnClick);
    MainMenu_Datei_Oeffnen =
        addItem(MainMenu_Datei, "MainMenu_Datei_Oeffnen", "&Öffnen", Qt::Key_F3, true, &C::MainMenu_Datei_Oeffnen_OnClick);
    MainMenu_Datei_Speichern = addItem(MainMenu_Datei, "MainMenu_Datei_Speichern", "&Speichern", Qt::Key_F3, false,
                                       &C::MainMenu_Datei_Speichern_OnClick);
    MainMenu_Datei_SpeichernUnter = addItem(MainMenu_Datei, "MainMenu_Datei_SpeichernUnter", "Speichern &unter...", Qt::Key_F4,
                                            true, &C::MainMenu_Datei_SpeichernUnter_OnClick);
    MainMenu_Datei_Schliessen = addItem(MainMenu_Datei, "MainMenu_Datei_Schliessen", "Sch&ließen", Qt::Key_F10, true,
                                        &C::MainMenu_Datei_Schliessen_OnClick, true);
    MainMenu_Datei_AlleSchliessen = addItem(MainMenu_Datei, "MainMenu_Datei_AlleSchliessen", "Alle schlie&ßen", {}, true,
                                            &C::MainMenu_Datei_AlleSchliessen_OnClick, true);
    MainMenu_Datei->addSeparator();
    MainMenu_Datei_Statistik = addItem(MainMenu_Datei, "MainMenu_Datei_Statistik", "&Statistik", Qt::Key_F11, true,
                                       &C::MainMenu_Datei_Statistik_OnClick);
    MainMenu_Datei->addSeparator();
    MainMenu_Datei_Drucken =
        addItem(MainMenu_Datei, "MainMenu_Datei_Drucken", "&Drucken", Qt::Key_F12, true, &C::MainMenu_Datei_Drucken_OnClick);
    MainMenu_Datei_DruckerEinrichten = addItem(MainMenu_Datei, "MainMenu_Datei_DruckerEinrichten", "Drucker ein&richten", {},
                                               true, &C::MainMenu_Datei_DruckerEinrichten_OnClick);
    MainMenu_Datei->addSeparator();
    MainMenu_Datei_Beenden = addItem(MainMenu_Datei, "MainMenu_Datei_Beenden", "&Beenden", Qt::ALT | Qt::Key_X, true,
                                     &C::MainMenu_Datei_Beenden_OnClick, true);

    MainMenu_Bearbeiten = new QMenu(QStringLiteral("&Bearbeiten"), this);
    MainMenu_Bearbeiten->setObjectName(QStringLiteral("MainMenu_Bearbeiten"));
    MainMenu_Bearbeiten_Rueckgaengig = addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Rueckgaengig", "&Rückgängig",
                                               Qt::CTRL | Qt::Key_R, false, &C::MainMenu_Bearbeiten_Rueckgaengig_OnClick);
    MainMenu_Bearbeiten_Wiederherstellen =
        addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Wiederherstellen", "&Wiederherstellen", Qt::CTRL | Qt::Key_W, false,
                &C::MainMenu_Bearbeiten_Wiederherstellen_OnClick);
    MainMenu_Bearbeiten->addSeparator();
    MainMenu_Bearbeiten_Ausschneiden = addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Ausschneiden", "&Ausschneiden",
                                               Qt::Key_F5, false, &C::MainMenu_Bearbeiten_Ausschneiden_OnClick);
    MainMenu_Bearbeiten_Kopieren = addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Kopieren", "&Kopieren", Qt::Key_F6, false,
                                           &C::MainMenu_Bearbeiten_Kopieren_OnClick);
    MainMenu_Bearbeiten_Einfuegen = addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Einfuegen", "&Einfügen", Qt::Key_F7, true,
                                            &C::MainMenu_Bearbeiten_Einfuegen_OnClick);
    MainMenu_Bearbeiten_Loeschen = addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_Loeschen", "&Löschen", Qt::Key_F8, false,
                                           &C::MainMenu_Bearbeiten_Loeschen_OnClick);
    MainMenu_Bearbeiten->addSeparator();
    MainMenu_Bearbeiten_DatumUhrzeitEinfuegen =
        addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_DatumUhrzeitEinfuegen", "&Datum/Uhrzeit einfügen",
                Qt::CTRL | Qt::Key_D, true, &C::MainMenu_Bearbeiten_DatumUhrzeitEinfuegen_OnClick);
    MainMenu_Bearbeiten_DateinameEinfuegen =
        addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_DateinameEinfuegen", "Datei&name einfügen", Qt::CTRL | Qt::Key_N,
                true, &C::MainMenu_Bearbeiten_DateinameEinfuegen_OnClick);
    MainMenu_Bearbeiten->addSeparator();
    MainMenu_Bearbeiten_NurLesenZulassen =
        addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_NurLesenZulassen", "Nur lesen &zulassen", Qt::CTRL | Qt::Key_L, true,
                &C::MainMenu_Bearbeiten_NurLesenZulassen_OnClick);
    MainMenu_Bearbeiten_NurLesenZulassen->setCheckable(true);
    MainMenu_Bearbeiten_ZeilenUmbrechen =
        addItem(MainMenu_Bearbeiten, "MainMenu_Bearbeiten_ZeilenUmbrechen", "Zeilen &umbrechen", Qt::CTRL | Qt::Key_U, true,
                &C::MainMenu_Bearbeiten_ZeilenUmbrechen_OnClick);
    MainMenu_Bearbeiten_ZeilenUmbrechen->setCheckable(true);

    MainMenu_Markierung = new QMenu(QStringLiteral("&Markierung"), this);
    MainMenu_Markierung->setObjectName(QStringLiteral("MainMenu_Markierung"));
    MainMenu_Markierung_InGrobuchstabenUmwandeln =
        addItem(MainMenu_Markierung, "MainMenu_Markierung_InGrobuchstabenUmwandeln", "Markierung in Großbuchstaben umwandeln",
                {}, false, &C::MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick);
    MainMenu_Markierung_InKleinbuchstabenUmwandeln =
        addItem(MainMenu_Markierung, "MainMenu_Markierung_InKleinbuchstabenUmwandeln",
                "Markierung in Kleinbuchstaben umwandeln", {}, false, &C::MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick);
    MainMenu_Markierung->addSeparator();
    MainMenu_Markierung_NichtsMarkieren = addItem(MainMenu_Markierung, "MainMenu_Markierung_NichtsMarkieren",
                                                  "&Nichts markieren", {}, true, &C::MainMenu_Markierung_NichtsMarkieren_OnClick);
    MainMenu_Markierung_AllesMarkieren = addItem(MainMenu_Markierung, "MainMenu_Markierung_AllesMarkieren", "&Alles markieren",
                                                 {}, true, &C::MainMenu_Markierung_AllesMarkieren_OnClick);

    MainMenu_Suchen = new QMenu(QStringLiteral("&Suchen"), this);
    MainMenu_Suchen->setObjectName(QStringLiteral("MainMenu_Suchen"));
    MainMenu_Suchen_Suchen = addItem(MainMenu_Suchen, "MainMenu_Suchen_Suchen", "&Suchen", Qt::CTRL | Qt::Key_F2, true,
                                     &C::MainMenu_Suchen_Suchen_OnClick);
    MainMenu_Suchen_Weitersuchen = addItem(MainMenu_Suchen, "MainMenu_Suchen_Weitersuchen", "&Weitersuchen",
                                           Qt::CTRL | Qt::Key_F3, true, &C::MainMenu_Suchen_Weitersuchen_OnClick);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu_Rueckgaengig = addItem(PopupMenu, "PopupMenu_Rueckgaengig", "&Rückgängig", Qt::CTRL | Qt::Key_R, false,
                                     &C::MainMenu_Bearbeiten_Rueckgaengig_OnClick);
    PopupMenu->addSeparator()->setObjectName(QStringLiteral("PopupMenu_N1"));
    PopupMenu_Ausschneiden = addItem(PopupMenu, "PopupMenu_Ausschneiden", "&Ausschneiden", Qt::Key_F5, false,
                                     &C::MainMenu_Bearbeiten_Ausschneiden_OnClick);
    PopupMenu_Kopieren =
        addItem(PopupMenu, "PopupMenu_Kopieren", "&Kopieren", Qt::Key_F6, false, &C::MainMenu_Bearbeiten_Kopieren_OnClick);
    PopupMenu_Einfuegen =
        addItem(PopupMenu, "PopupMenu_Einfuegen", "&Einfügen", Qt::Key_F7, false, &C::MainMenu_Bearbeiten_Einfuegen_OnClick);
    PopupMenu_Loeschen =
        addItem(PopupMenu, "PopupMenu_Loeschen", "&Löschen", Qt::Key_F8, false, &C::MainMenu_Bearbeiten_Loeschen_OnClick);
    PopupMenu->addSeparator()->setObjectName(QStringLiteral("PopupMenu_N2"));
    PopupMenu_AllesMarkieren = addItem(PopupMenu, "PopupMenu_AllesMarkieren", "&Alles markieren", Qt::CTRL | Qt::Key_A, true,
                                       &C::MainMenu_Markierung_AllesMarkieren_OnClick);
    connect(PopupMenu, &QMenu::aboutToShow, this, &TMainChildForm::PopupMenu_OnPopup);
    createAdditions();
}

QMdiSubWindow* TMainChildForm::subWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void TMainChildForm::setCaption(const QString& caption)
{
    caption_ = caption;
    setWindowTitle(caption);
    updateTitleBar();
}

void TMainChildForm::updateTitleBar()
{
    QMdiSubWindow* sub = subWindow();
    if (!sub)
        return;
    if (!titleBarFollows_) {
        titleBarFollows_ = true;
        connect(sub, &QMdiSubWindow::windowStateChanged, this, [this] { updateTitleBar(); });
    }
    // A maximised window's title goes into the frame's title, which has room for the whole
    // path. Otherwise a long path is shortened in the middle, so that the file name stays
    // in sight (the title bar itself would cut it off at the end).
    QString title = windowTitle();
    if (!sub->isMaximized() && !sub->isMinimized() && !title.isEmpty()) {
        QStyleOptionTitleBar option;
        option.initFrom(sub);
        option.subControls = QStyle::SC_All;
        option.titleBarFlags = sub->windowFlags();
        option.titleBarState = int(sub->windowState());
        const int height = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub);
        option.rect = QRect(0, 0, sub->width(), height);
        option.text = title;
        const int room = sub->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, sub).width();
        // Measured in bold, as the styles draw the title (where one does not, the title
        // is only shortened a little early).
        QFont font = QApplication::font("QMdiSubWindowTitleBar");
        font.setBold(true);
        const QFontMetrics metrics(font);
        if (room > 0 && metrics.horizontalAdvance(title) > room)
            title = metrics.elidedText(title, Qt::ElideMiddle, room - 2);
    }
    if (sub->windowTitle() != title)
        sub->setWindowTitle(title);
}

void TMainChildForm::setStatusSimpleText(const QString& text)
{
    StatusBar->setSimpleText(text);
    StatusBar->setSimplePanel(true);
    StatusBar->repaint();
}

void TMainChildForm::setStatusSimplePanel(bool simple) { StatusBar->setSimplePanel(simple); }

void TMainChildForm::loadFile(const QString& name)
{
    RichEdit->Lines().LoadTextFile(name);
    // A file of pure ASCII takes the encoding of new text.
    if (Globals::Settings().NewFilesUtf8)
        RichEdit->TakeAsciiAsUtf8();
    baseStamp_ = platform::fileStamp(name);
    recoveredChangedOutside_ = false;
    fileIsSource_ = true;
}

void TMainChildForm::fillJournalHeader(recovery::JournalHeader* header)
{
    header->pid = quint64(QCoreApplication::applicationPid());
    header->utf8 = RichEdit->Encoding() == editor::TextEncoding::Utf8;
    header->byteOrderMark = RichEdit->ByteOrderMark();
    header->baseFile = baseStamp_;
    header->caption = caption_;
    journalEncoding_ = int(RichEdit->Encoding()) * 2 + (RichEdit->ByteOrderMark() ? 1 : 0);
}

void TMainChildForm::journalTextEdit(int pos, int removed, int inserted)
{
    if (fileIsSource_) {
        // The first change since the file was read or written: the writer thread takes the
        // base from the file, so the window copies nothing, if the file is still that one.
        fileIsSource_ = false;
        recovery::JournalHeader header;
        fillJournalHeader(&header);
        if (platform::fileStamp(caption_) == baseStamp_)
            journal_->setSource(journalSourceOf(caption_, baseStamp_, std::move(header)));
    }
    const int encoding = int(RichEdit->Encoding()) * 2 + (RichEdit->ByteOrderMark() ? 1 : 0);
    if (encoding != journalEncoding_ || inserted > recovery::Journal::kLargeEdit) {
        // A new base holds it without a copy of its own here.
        journal_->changed(nullptr);
        return;
    }
    const recovery::JournalEdit edit = journalEditOf(RichEdit->buffer(), editor::TextChange{pos, removed, inserted});
    journal_->changed(&edit);
}

void TMainChildForm::adoptRecoveredText(const recovery::JournalContents& contents,
                                        std::unique_ptr<platform::JournalFile> previous)
{
    RichEdit->LoadRecoveredText(replayJournal(contents),
                                contents.header.utf8 ? editor::TextEncoding::Utf8 : editor::TextEncoding::Windows1252,
                                contents.header.byteOrderMark);
    baseStamp_ = contents.header.baseFile;
    recoveredChangedOutside_ =
        Globals::IsDocumentFile(caption_) || baseStamp_.exists ? !(platform::fileStamp(caption_) == baseStamp_) : false;
    // The text came from the file as it was then: a change made to it since is one made
    // outside, which the next save asks about; it is not asked about now.
    rememberFile();
    if (recoveredChangedOutside_)
        knownFile_ = platform::identityOfStamp(baseStamp_);
    if (journal_) {
        journal_->changed(nullptr);
        journal_->flush();
        journal_->replaceAfterBase(std::move(previous));
    }
}

void TMainChildForm::focusEditor()
{
    RichEdit->setFocus(Qt::OtherFocusReason);
}

void TMainChildForm::takeKeyboardFocus()
{
    // The find dialog is a window of its own: the frame and this document become the
    // active windows again, so that typing goes on in the editor.
    if (QMdiSubWindow* sub = subWindow())
        if (QMdiArea* area = sub->mdiArea(); area && area->activeSubWindow() != sub)
            area->setActiveSubWindow(sub);
    if (QWidget* top = window(); top && !top->isActiveWindow())
        top->activateWindow();
    RichEdit->setFocus(Qt::OtherFocusReason);
}

void TMainChildForm::showInFront()
{
    if (QMdiSubWindow* sub = subWindow())
        if (QMdiArea* area = sub->mdiArea(); area && area->activeSubWindow() != sub && area->currentSubWindow() != sub)
            area->setActiveSubWindow(sub);
}

bool TMainChildForm::ownsEditorWidget(const QWidget* widget) const
{
    return widget && (widget == RichEdit || RichEdit->isAncestorOf(widget));
}

// ---------------------------------------------------------------------------
// Lifecycle

void TMainChildForm::applyViewSettings(bool showSelectionBar, bool autoUrlDetection)
{
    RichEdit->setShowSelectionBar(showSelectionBar);
    RichEdit->setAutoURLDetect(autoUrlDetection ? adDefault : adNone);
}

void TMainChildForm::OnCreate()
{
    const TSettingsRecord& settings = Globals::Settings();
    RichEdit->setShowSelectionBar(settings.ShowMarkbar);
    if (!settings.AutoUrlDetection)
        RichEdit->setAutoURLDetect(adNone);
    if (settings.NewFilesUtf8)
        RichEdit->setNewTextEncoding(editor::TextEncoding::Utf8);
    RichEdit->setUnrepresentableHandler([this](const QString& character) { askForUtf8(character); });
    frame_->documentCreated(this);
}

void TMainChildForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        OnShow();
}

void TMainChildForm::OnShow()
{
    if (!RichEdit->TextModified())
        UpdateDocumentState(11);
    OnResize();
}

void TMainChildForm::OnActivate()
{
    UpdateDocumentState(RichEdit->TextModified() ? 10 : 11);
    QTabBar* tabs = frame_->pageCtrl();
    const int current = tabs->currentIndex();
    if (current >= 0 && tabs->tabData(current).toInt() != tag_)
        frame_->selectTabOf(tag_);
    // The shared buttons show this document's undo and redo, not the last window's.
    if (!RichEdit->ReadOnly()) {
        setItemAndButton(MainMenu_Bearbeiten_Rueckgaengig, frame_->Button_Rueckgaengig, RichEdit->UndoAvailable());
        setItemAndButton(MainMenu_Bearbeiten_Wiederherstellen, frame_->Button_Wiederherstellen, RichEdit->RedoAvailable());
        frame_->Button_Einfuegen->setEnabled(MainMenu_Bearbeiten_Einfuegen->isEnabled());
    }
    RichEdit_OnSelectionChange();
    focusEditor();
}

void TMainChildForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnResize();
    updateTitleBar();
}

// The first panel takes what the others leave (290 pixels at the design's widths).
void TMainChildForm::OnResize() { StatusBar->setPanelWidth(0, StatusBar->width() - StatusBar->widthFrom(1)); }

bool TMainChildForm::OnCloseQuery()
{
    if (RichEdit->TextModified()) {
        const platform::MsgResult answer = platform::MessageBoxService::current().show(
            QStringLiteral("Änderungen speichern ?"),
            QStringLiteral("Datei \"%1\" wurde modifiziert.\rSollen die Änderungen gespeichert werden ?").arg(caption_),
            platform::MsgIcon::Question, platform::MsgButtons::YesNoCancel);
        if (answer == platform::MsgResult::Cancel)
            return false;
        if (answer == platform::MsgResult::No && journal_) {
            journal_->discard();  // the user let the changes go
            fileIsSource_ = false;
        }
        if (answer == platform::MsgResult::Yes) {
            // A file that went away while the text was open is written back under its name.
            const bool saved = Globals::IsDocumentFile(caption_) || fileVanished() ? SaveDocument(caption_)
                                                                                   : SaveDocumentAs(caption_);
            if (!saved)
                return false;
        }
    }
    if (frame_->documentCount() < 2) {
        UpdateDocumentState(11);
        frame_->enterEmptyState();
    }
    return true;
}

void TMainChildForm::OnClose()
{
    frame_->removeTabOf(tag_);
    // The window leaves the frame's list now; it is destroyed once the close has completed.
    frame_->documentDestroyed(this);
}

void TMainChildForm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    platform::runGuarded([&] { canClose = OnCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    closed_ = true;
    OnClose();
    event->accept();
}

void TMainChildForm::discard()
{
    RichEdit->setTextModified(false);
    if (QMdiSubWindow* sub = subWindow())
        sub->close();
}

// ---------------------------------------------------------------------------
// Window commands

void TMainChildForm::MainMenu_Datei_Neu_OnClick() { frame_->MainMenu_Datei_Neu_OnClick(); }
void TMainChildForm::MainMenu_Datei_Oeffnen_OnClick() { frame_->MainMenu_Datei_Oeffnen_OnClick(); }

void TMainChildForm::MainMenu_Datei_Schliessen_OnClick()
{
    if (QMdiSubWindow* sub = subWindow())
        sub->close();
}

void TMainChildForm::MainMenu_Datei_AlleSchliessen_OnClick()
{
    IDocumentFrame* frame = frame_;
    const int n = frame->documentCount();
    for (int i = n - 1; i >= 0; --i) {
        const QList<TMainChildForm*> list = frame->documents();
        if (i >= list.size())
            continue;
        // A window that agrees leaves the frame's list at once; it is destroyed when
        // control is back in the event loop, since this very window may be the one whose
        // menu started the command.
        if (QMdiSubWindow* sub = list[i]->subWindow())
            sub->close();
    }
}

void TMainChildForm::MainMenu_Datei_Beenden_OnClick()
{
    // The frame's exit, exactly as its own Alt+X: it asks every document window, this active
    // one first, and remembers every window that was open. The menu item runs this once its
    // menu has finished, so closing may destroy this window together with that menu.
    frame_->MainMenu_Datei_Beenden_OnClick();
}

// ---------------------------------------------------------------------------
// Status bar and command state

void TMainChildForm::setItemAndButton(QAction* item, QAction* button, bool enabled)
{
    item->setEnabled(enabled);
    button->setEnabled(item->isEnabled());
}

void TMainChildForm::UpdateDocumentState(int code)
{
    switch (code) {
    case 10:
        if (frame_->Button_Speichern->isEnabled())
            return;
        frame_->Button_Speichern->setEnabled(true);
        MainMenu_Datei_Speichern->setEnabled(true);
        StatusBar->setPanelText(1, QStringLiteral("Modifiziert"));
        break;
    case 11:
        if (!frame_->Button_Speichern->isEnabled())
            return;
        frame_->Button_Speichern->setEnabled(false);
        MainMenu_Datei_Speichern->setEnabled(false);
        StatusBar->setPanelText(1, QStringLiteral("Gesichert"));
        break;
    case 20:
        setItemAndButton(MainMenu_Markierung_InGrobuchstabenUmwandeln, frame_->Button_Grossbuchstaben, false);
        setItemAndButton(MainMenu_Markierung_InKleinbuchstabenUmwandeln, frame_->Button_Kleinbuchstaben, false);
        setItemAndButton(MainMenu_Bearbeiten_Rueckgaengig, frame_->Button_Rueckgaengig, false);
        setItemAndButton(MainMenu_Bearbeiten_Wiederherstellen, frame_->Button_Wiederherstellen, false);
        setItemAndButton(MainMenu_Bearbeiten_Ausschneiden, frame_->Button_Ausschneiden, false);
        setItemAndButton(MainMenu_Bearbeiten_Kopieren, frame_->Button_Kopieren, false);
        setItemAndButton(MainMenu_Bearbeiten_Einfuegen, frame_->Button_Einfuegen, false);
        setItemAndButton(MainMenu_Bearbeiten_Loeschen, frame_->Button_Loeschen, false);
        PopupMenu_Rueckgaengig->setEnabled(false);
        PopupMenu_Ausschneiden->setEnabled(false);
        PopupMenu_Kopieren->setEnabled(false);
        PopupMenu_Einfuegen->setEnabled(false);
        PopupMenu_Loeschen->setEnabled(false);
        break;
    default:
        break;
    }
}

void TMainChildForm::ShowCaretPosition()
{
    const int column = RichEdit->CaretColumn();
    const int line = RichEdit->CaretLine();
    if (column >= 0 && line >= 0)
        StatusBar->setPanelText(3, QStringLiteral("%1:%2").arg(column + 1).arg(line + 1));
}

void TMainChildForm::RichEdit_OnChange()
{
    UpdateDocumentState(RichEdit->TextModified() ? 10 : 11);
    ShowCaretPosition();
    if (RichEdit->ReadOnly()) {
        UpdateDocumentState(20);
        return;
    }
    setItemAndButton(MainMenu_Bearbeiten_Rueckgaengig, frame_->Button_Rueckgaengig, RichEdit->UndoAvailable());
    setItemAndButton(MainMenu_Bearbeiten_Wiederherstellen, frame_->Button_Wiederherstellen, RichEdit->RedoAvailable());
}

void TMainChildForm::RichEdit_OnSelectionChange()
{
    hideReport();
    const int length = RichEdit->SelectionLength();
    StatusBar->setPanelText(0, QStringLiteral("%1 Zeichen markiert.").arg(length));
    ShowCaretPosition();
    if (RichEdit->ReadOnly()) {
        UpdateDocumentState(20);
        return;
    }
    const bool selected = length > 0;
    setItemAndButton(MainMenu_Markierung_InGrobuchstabenUmwandeln, frame_->Button_Grossbuchstaben, selected);
    setItemAndButton(MainMenu_Markierung_InKleinbuchstabenUmwandeln, frame_->Button_Kleinbuchstaben, selected);
    setItemAndButton(MainMenu_Bearbeiten_Ausschneiden, frame_->Button_Ausschneiden, selected);
    setItemAndButton(MainMenu_Bearbeiten_Kopieren, frame_->Button_Kopieren, selected);
    setItemAndButton(MainMenu_Bearbeiten_Loeschen, frame_->Button_Loeschen, selected);
}

void TMainChildForm::RichEdit_OnKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    ShowCaretPosition();
    if (key == Qt::Key_Insert && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        StatusBar->setPanelText(2, StatusBar->panelText(2) == QLatin1String("Einfg.") ? QStringLiteral("Überschr.")
                                                                                      : QStringLiteral("Einfg."));
    }
}

void TMainChildForm::RichEdit_OnMouseDown() { ShowCaretPosition(); }

void TMainChildForm::RichEdit_OnUrlClick(const QString& url)
{
    // A mail address goes to the mail program, every other link to the web browser.
    if (const QString mail = MailUrlOfLink(url); !mail.isEmpty())
        OpenMailLink(mail);
    else
        OpenUrlInBrowser(url);
}

void TMainChildForm::PopupMenu_OnPopup()
{
    const bool selected = RichEdit->SelectionLength() > 0;
    PopupMenu_Rueckgaengig->setEnabled(RichEdit->UndoAvailable());
    PopupMenu_Ausschneiden->setEnabled(selected);
    PopupMenu_Kopieren->setEnabled(selected);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    PopupMenu_Einfuegen->setEnabled(data && data->hasText());
    PopupMenu_Loeschen->setEnabled(selected);
}

bool TMainChildForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched == RichEdit->viewport()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta != 0)
                emit zoomRequested(delta > 0 ? 1 : -1);
            return true;
        }
    }
    if (event->type() == QEvent::ContextMenu && (watched == RichEdit || watched == RichEdit->viewport())) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        PopupMenu->popup(menuEvent->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
