#include "app/mainform.h"

#include "app/commandline.h"
#include "app/frametoolbars.h"
#include "app/menumerge.h"
#include "app/singleinstance.h"
#include "app/systemmenu.h"
#include "app/windowplacement.h"
#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "document/mainchildform.h"
#include "editor/texteditor.h"
#include "links/executeprogram.h"
#include "platform/cursor.h"
#include "platform/errors.h"
#include "platform/filedialogs.h"
#include "platform/filefacts.h"
#include "platform/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>

namespace {

const QString kDefaultFilter = QStringLiteral(
    "Textdateien [*.txt]|*.txt|Html-Dokumente [*.htm;*.html]|*.htm;*.html|"
    "Quellcode [*.c;*.h;*.mak;*.dpr;*.pas]|*.c;*.h;*.mak;*.dpr;*.pas|Alle Dateien [*.*]|*.*");

constexpr int kFilterIndex = 4;

QIcon buttonIcon(const QString& name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name.toLower()));
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Varnotex V1"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/varnotex.svg")));
    openFilter_ = kDefaultFilter;
    saveFilter_ = kDefaultFilter;

    createButtons();
    createMenus();
    createCentralArea();
    rebuildMenuBar();

    // The client area of the design; a stored size replaces it in LoadSettings.
    resize(587, 369 + menuBar()->sizeHint().height());
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    // The document windows go first, while the frame's members they report to still exist.
    closing_ = true;
    delete mdiArea_;
    mdiArea_ = nullptr;
    delete toolbars_;
}

QAction* TMainForm::makeAction(const QString& name, const QString& caption, const QKeySequence& key)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        // The key is shown in the menu; the frame dispatches it itself (dispatchShortcut).
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    return action;
}

void TMainForm::createButtons()
{
    struct ButtonDef {
        QAction** slot;
        const char* name;
        const char* hint;
        bool enabled;
    };
    const ButtonDef defs[] = {
        {&Button_Neu, "Button_Neu", "Neu", true},
        {&Button_Oeffnen, "Button_Oeffnen", "Datei öffnen", true},
        {&Button_Speichern, "Button_Speichern", "Änderungen speichern", false},
        {&Button_Drucken, "Button_Drucken", "Ausdrucken", false},
        {&Button_Rueckgaengig, "Button_Rueckgaengig", "Rückgängig", false},
        {&Button_Wiederherstellen, "Button_Wiederherstellen", "Wiederherstellen", false},
        {&Button_Ausschneiden, "Button_Ausschneiden", "Ausschneiden", false},
        {&Button_Kopieren, "Button_Kopieren", "Kopieren", false},
        {&Button_Einfuegen, "Button_Einfuegen", "Einfügen", false},
        {&Button_Loeschen, "Button_Loeschen", "Löschen", false},
        {&Button_Grossbuchstaben, "Button_Grossbuchstaben", "Markierung in Großbuchstaben umwandeln", false},
        {&Button_Kleinbuchstaben, "Button_Kleinbuchstaben", "Markierung in Kleinbuchstaben umwandeln", false},
        {&Button_NichtsMarkieren, "Button_NichtsMarkieren", "Nichts markieren", false},
        {&Button_AllesMarkieren, "Button_AllesMarkieren", "Alles markieren", false},
        {&Button_Suchen, "Button_Suchen", "Suchen", false},
        {&Button_Weitersuchen, "Button_Weitersuchen", "Weitersuchen", false},
        {&Button_EinstellungenKonfigurieren, "Button_EinstellungenKonfigurieren", "Einstellungen konfigurieren", true},
        {&Button_Infos, "Button_Infos", "Infos...", true},
        {&Button_Laengsteilen, "Button_Laengsteilen", "Fenster längsteilen", false},
        {&Button_Querteilen, "Button_Querteilen", "Fenster querteilen", false},
        {&Button_Ueberlappen, "Button_Ueberlappen", "Fenster überlappen", false},
    };
    for (const ButtonDef& def : defs) {
        const QString name = QString::fromLatin1(def.name);
        auto* action = new QAction(buttonIcon(name), QString::fromUtf8(def.hint), this);
        action->setObjectName(name);
        action->setToolTip(QString::fromUtf8(def.hint));
        action->setEnabled(def.enabled);
        *def.slot = action;
    }

    // The frame's own commands.
    connect(Button_Neu, &QAction::triggered, this, [this] { platform::runGuarded([this] { MainMenu_Datei_Neu_OnClick(); }); });
    connect(Button_Oeffnen, &QAction::triggered, this, [this] { platform::runGuarded([this] { MainMenu_Datei_Oeffnen_OnClick(); }); });
    connect(Button_EinstellungenKonfigurieren, &QAction::triggered, this,
            [this] { platform::runGuarded([this] { MainMenu_Optionen_EinstellungenKonfigurieren_OnClick(); }); });
    connect(Button_Infos, &QAction::triggered, this, [this] { platform::runGuarded([this] { MainMenu_Hilfe_Infos_OnClick(); }); });
    connect(Button_Laengsteilen, &QAction::triggered, this, [this] { MainMenu_Fenster_Laengsteilen_OnClick(); });
    connect(Button_Querteilen, &QAction::triggered, this, [this] { MainMenu_Fenster_Querteilen_OnClick(); });
    connect(Button_Ueberlappen, &QAction::triggered, this, [this] { MainMenu_Fenster_Ueberlappen_OnClick(); });

    // The fourteen forwarding handlers: the same command on the active document window.
    const std::pair<QAction*, void (TMainForm::*)()> forwards[] = {
        {Button_Speichern, &TMainForm::Button_Speichern_OnClick},
        {Button_Drucken, &TMainForm::Button_Drucken_OnClick},
        {Button_Rueckgaengig, &TMainForm::Button_Rueckgaengig_OnClick},
        {Button_Wiederherstellen, &TMainForm::Button_Wiederherstellen_OnClick},
        {Button_Ausschneiden, &TMainForm::Button_Ausschneiden_OnClick},
        {Button_Kopieren, &TMainForm::Button_Kopieren_OnClick},
        {Button_Einfuegen, &TMainForm::Button_Einfuegen_OnClick},
        {Button_Loeschen, &TMainForm::Button_Loeschen_OnClick},
        {Button_Grossbuchstaben, &TMainForm::Button_Grossbuchstaben_OnClick},
        {Button_Kleinbuchstaben, &TMainForm::Button_Kleinbuchstaben_OnClick},
        {Button_NichtsMarkieren, &TMainForm::Button_NichtsMarkieren_OnClick},
        {Button_AllesMarkieren, &TMainForm::Button_AllesMarkieren_OnClick},
        {Button_Suchen, &TMainForm::Button_Suchen_OnClick},
        {Button_Weitersuchen, &TMainForm::Button_Weitersuchen_OnClick},
    };
    for (const auto& [button, handler] : forwards) {
        connect(button, &QAction::triggered, this,
                [this, handler = handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    }
}

void TMainForm::forwardToActiveDocument(void (TMainChildForm::*command)())
{
    if (TMainChildForm* child = activeDocument())
        (child->*command)();
}

void TMainForm::Button_Speichern_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Datei_Speichern_OnClick); }
void TMainForm::Button_Drucken_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Datei_Drucken_OnClick); }
void TMainForm::Button_Rueckgaengig_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Rueckgaengig_OnClick); }
void TMainForm::Button_Wiederherstellen_OnClick()
{
    forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Wiederherstellen_OnClick);
}
void TMainForm::Button_Ausschneiden_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Ausschneiden_OnClick); }
void TMainForm::Button_Kopieren_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Kopieren_OnClick); }
void TMainForm::Button_Einfuegen_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Einfuegen_OnClick); }
void TMainForm::Button_Loeschen_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Bearbeiten_Loeschen_OnClick); }
void TMainForm::Button_Grossbuchstaben_OnClick()
{
    forwardToActiveDocument(&TMainChildForm::MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick);
}
void TMainForm::Button_Kleinbuchstaben_OnClick()
{
    forwardToActiveDocument(&TMainChildForm::MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick);
}
void TMainForm::Button_NichtsMarkieren_OnClick()
{
    forwardToActiveDocument(&TMainChildForm::MainMenu_Markierung_NichtsMarkieren_OnClick);
}
void TMainForm::Button_AllesMarkieren_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Markierung_AllesMarkieren_OnClick); }
void TMainForm::Button_Suchen_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Suchen_Suchen_OnClick); }
void TMainForm::Button_Weitersuchen_OnClick() { forwardToActiveDocument(&TMainChildForm::MainMenu_Suchen_Weitersuchen_OnClick); }

void TMainForm::createMenus()
{
    auto guarded = [this](QAction* action, void (TMainForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    };

    MainMenu_Datei = new QMenu(QStringLiteral("&Datei"), this);
    MainMenu_Datei->setObjectName(QStringLiteral("MainMenu_Datei"));
    MainMenu_Datei_Neu = makeAction(QStringLiteral("MainMenu_Datei_Neu"), QStringLiteral("&Neu"), Qt::Key_F2);
    MainMenu_Datei_Oeffnen = makeAction(QStringLiteral("MainMenu_Datei_Oeffnen"), QStringLiteral("&Öffnen"), Qt::Key_F3);
    MainMenu_Datei_Beenden = makeAction(QStringLiteral("MainMenu_Datei_Beenden"), QStringLiteral("&Beenden"), Qt::ALT | Qt::Key_X);
    MainMenu_Datei->addAction(MainMenu_Datei_Neu);
    MainMenu_Datei->addAction(MainMenu_Datei_Oeffnen);
    MainMenu_Datei->addSeparator()->setObjectName(QStringLiteral("N1"));
    MainMenu_Datei->addAction(MainMenu_Datei_Beenden);
    guarded(MainMenu_Datei_Neu, &TMainForm::MainMenu_Datei_Neu_OnClick);
    guarded(MainMenu_Datei_Oeffnen, &TMainForm::MainMenu_Datei_Oeffnen_OnClick);
    guarded(MainMenu_Datei_Beenden, &TMainForm::MainMenu_Datei_Beenden_OnClick);

    MainMenu_Optionen = new QMenu(QStringLiteral("&Optionen"), this);
    MainMenu_Optionen->setObjectName(QStringLiteral("MainMenu_Optionen"));
    struct Toggle {
        QAction** slot;
        const char* name;
        const char* caption;
        QKeySequence key;
        void (TMainForm::*handler)();
    };
    const Toggle toggles[] = {
        {&MainMenu_Optionen_ToolbarDateiEinblenden, "MainMenu_Optionen_ToolbarDateiEinblenden",
         "Toolbar \"Datei\" einblenden", Qt::SHIFT | Qt::Key_F1, &TMainForm::MainMenu_Optionen_ToolbarDateiEinblenden_OnClick},
        {&MainMenu_Optionen_ToolbarBearbeitenEinblenden, "MainMenu_Optionen_ToolbarBearbeitenEinblenden",
         "Toolbar \"Bearbeiten\" einblenden", Qt::SHIFT | Qt::Key_F2, &TMainForm::MainMenu_Optionen_ToolbarBearbeitenEinblenden_OnClick},
        {&MainMenu_Optionen_ToolbarMarkierungEinblenden, "MainMenu_Optionen_ToolbarMarkierungEinblenden",
         "Toolbar \"Markierung\" einblenden", Qt::SHIFT | Qt::Key_F3, &TMainForm::MainMenu_Optionen_ToolbarMarkierungEinblenden_OnClick},
        {&MainMenu_Optionen_ToolbarSuchenEinblenden, "MainMenu_Optionen_ToolbarSuchenEinblenden",
         "Toolbar \"Suchen\" einblenden", Qt::SHIFT | Qt::Key_F4, &TMainForm::MainMenu_Optionen_ToolbarSuchenEinblenden_OnClick},
        {&MainMenu_Optionen_ToolbarOptionenEinblenden, "MainMenu_Optionen_ToolbarOptionenEinblenden",
         "Toolbar \"Optionen\" einblenden", Qt::SHIFT | Qt::Key_F6, &TMainForm::MainMenu_Optionen_ToolbarOptionenEinblenden_OnClick},
        {&MainMenu_Optionen_ToolbarFensterEinblenden, "MainMenu_Optionen_ToolbarFensterEinblenden",
         "Toolbar \"Fenster\" einblenden", Qt::SHIFT | Qt::Key_F5, &TMainForm::MainMenu_Optionen_ToolbarFensterEinblenden_OnClick},
    };
    for (const Toggle& t : toggles) {
        QAction* item = makeAction(QString::fromLatin1(t.name), QString::fromUtf8(t.caption), t.key);
        item->setCheckable(true);
        item->setChecked(true);
        connect(item, &QAction::triggered, this, t.handler);
        MainMenu_Optionen->addAction(item);
        *t.slot = item;
    }
    MainMenu_Optionen->addSeparator()->setObjectName(QStringLiteral("N2"));
    MainMenu_Optionen_EinstellungenKonfigurieren = makeAction(
        QStringLiteral("MainMenu_Optionen_EinstellungenKonfigurieren"), QStringLiteral("&Einstellungen konfigurieren"),
        Qt::Key_F9);
    MainMenu_Optionen->addAction(MainMenu_Optionen_EinstellungenKonfigurieren);
    guarded(MainMenu_Optionen_EinstellungenKonfigurieren, &TMainForm::MainMenu_Optionen_EinstellungenKonfigurieren_OnClick);

    MainMenu_Fenster = new QMenu(QStringLiteral("&Fenster"), this);
    MainMenu_Fenster->setObjectName(QStringLiteral("MainMenu_Fenster"));
    MainMenu_Fenster_Vorheriges = makeAction(QStringLiteral("MainMenu_Fenster_Vorheriges"), QStringLiteral("&Vorheriges"),
                                             Qt::SHIFT | Qt::Key_F7);
    MainMenu_Fenster_Naechstes = makeAction(QStringLiteral("MainMenu_Fenster_Naechstes"), QStringLiteral("&Nächstes"),
                                            Qt::SHIFT | Qt::Key_F8);
    MainMenu_Fenster_Laengsteilen = makeAction(QStringLiteral("MainMenu_Fenster_Laengsteilen"), QStringLiteral("&Längsteilen"));
    MainMenu_Fenster_Querteilen = makeAction(QStringLiteral("MainMenu_Fenster_Querteilen"), QStringLiteral("&Querteilen"));
    MainMenu_Fenster_Ueberlappen = makeAction(QStringLiteral("MainMenu_Fenster_Ueberlappen"), QStringLiteral("&Überlappen"));
    MainMenu_Fenster_SymboleAnordnen = makeAction(QStringLiteral("MainMenu_Fenster_SymboleAnordnen"),
                                                  QStringLiteral("&Symbole anordnen"));
    MainMenu_Fenster->addAction(MainMenu_Fenster_Vorheriges);
    MainMenu_Fenster->addAction(MainMenu_Fenster_Naechstes);
    MainMenu_Fenster->addSeparator()->setObjectName(QStringLiteral("N3"));
    MainMenu_Fenster->addAction(MainMenu_Fenster_Laengsteilen);
    MainMenu_Fenster->addAction(MainMenu_Fenster_Querteilen);
    MainMenu_Fenster->addAction(MainMenu_Fenster_Ueberlappen);
    MainMenu_Fenster->addAction(MainMenu_Fenster_SymboleAnordnen);
    guarded(MainMenu_Fenster_Vorheriges, &TMainForm::MainMenu_Fenster_Vorheriges_OnClick);
    guarded(MainMenu_Fenster_Naechstes, &TMainForm::MainMenu_Fenster_Naechstes_OnClick);
    guarded(MainMenu_Fenster_Laengsteilen, &TMainForm::MainMenu_Fenster_Laengsteilen_OnClick);
    guarded(MainMenu_Fenster_Querteilen, &TMainForm::MainMenu_Fenster_Querteilen_OnClick);
    guarded(MainMenu_Fenster_Ueberlappen, &TMainForm::MainMenu_Fenster_Ueberlappen_OnClick);
    guarded(MainMenu_Fenster_SymboleAnordnen, &TMainForm::MainMenu_Fenster_SymboleAnordnen_OnClick);
    MainMenu_Fenster->menuAction()->setVisible(false);
    connect(MainMenu_Fenster, &QMenu::aboutToShow, this, &TMainForm::updateWindowList);

    MainMenu_Tools = new QMenu(QStringLiteral("&Tools"), this);
    MainMenu_Tools->setObjectName(QStringLiteral("MainMenu_Tools"));
    MainMenu_Tools->menuAction()->setVisible(false);

    MainMenu_Hilfe = new QMenu(QStringLiteral("&Hilfe"), this);
    MainMenu_Hilfe->setObjectName(QStringLiteral("MainMenu_Hilfe"));
    MainMenu_Hilfe_Hilfethemen = makeAction(QStringLiteral("MainMenu_Hilfe_Hilfethemen"), QStringLiteral("&Hilfethemen"),
                                            Qt::Key_F1);
    MainMenu_Hilfe_Infos = makeAction(QStringLiteral("MainMenu_Hilfe_Infos"), QStringLiteral("&Infos..."),
                                      Qt::SHIFT | Qt::Key_F1);
    MainMenu_Hilfe->addAction(MainMenu_Hilfe_Hilfethemen);
    MainMenu_Hilfe->addSeparator()->setObjectName(QStringLiteral("N4"));
    MainMenu_Hilfe->addAction(MainMenu_Hilfe_Infos);
    guarded(MainMenu_Hilfe_Hilfethemen, &TMainForm::MainMenu_Hilfe_Hilfethemen_OnClick);
    guarded(MainMenu_Hilfe_Infos, &TMainForm::MainMenu_Hilfe_Infos_OnClick);
}

void TMainForm::createCentralArea()
{
    PagePanel = new QWidget(this);
    PagePanel->setObjectName(QStringLiteral("PagePanel"));
    PagePanel->setFixedHeight(22);
    auto* panelLayout = new QVBoxLayout(PagePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    PageCtrl = new QTabBar(PagePanel);
    PageCtrl->setObjectName(QStringLiteral("PageCtrl"));
    PageCtrl->setFixedHeight(21);
    PageCtrl->setFocusPolicy(Qt::NoFocus);
    PageCtrl->setDrawBase(false);
    PageCtrl->setExpanding(false);
    PageCtrl->setAttribute(Qt::WA_Hover);
    panelLayout->addWidget(PageCtrl);
    panelLayout->addStretch(1);
    PageCtrl->hide();
    // Every change of the selected tab by the user (left click, wheel, keys) brings its
    // window to the front; the frame's own changes block this signal.
    connect(PageCtrl, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0)
            platform::runGuarded([this] { PageCtrlChange(); });
    });

    mdiArea_ = new QMdiArea(this);
    systemMenus_ = new TLazySystemMenus(this);
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    mdiArea_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (!sub)
            return;
        if (auto* child = qobject_cast<TMainChildForm*>(sub->widget()))
            documentActivated(child);
    });

    QList<TFrameToolbars::ToolbarDef> defs;
    defs.append({QStringLiteral("Toolbar_Datei"), QStringLiteral("Datei"), 0,
                  {Button_Neu, Button_Oeffnen, Button_Speichern, nullptr, Button_Drucken}, {QStringLiteral("ToolbarSep3")}});
    defs.append({QStringLiteral("Toolbar_Bearbeiten"), QStringLiteral("Bearbeiten"), 111,
                  {Button_Rueckgaengig, Button_Wiederherstellen, nullptr, Button_Ausschneiden, Button_Kopieren,
                   Button_Einfuegen, Button_Loeschen},
                  {QStringLiteral("ToolbarSep1")}});
    defs.append({QStringLiteral("Toolbar_Markierung"), QStringLiteral("Markierung"), 268,
                  {Button_Grossbuchstaben, Button_Kleinbuchstaben, nullptr, Button_NichtsMarkieren, Button_AllesMarkieren},
                  {QStringLiteral("ToolbarSep2")}});
    defs.append({QStringLiteral("Toolbar_Suchen"), QStringLiteral("Suchen"), 379, {Button_Suchen, Button_Weitersuchen}, {}});
    defs.append({QStringLiteral("Toolbar_Optionen"), QStringLiteral("Optionen"), 438,
                  {Button_EinstellungenKonfigurieren, nullptr, Button_Infos}, {QStringLiteral("ToolbarSep5")}});
    defs.append({QStringLiteral("Toolbar_Fenster"), QStringLiteral("Fenster"), 503,
                  {Button_Laengsteilen, Button_Querteilen, Button_Ueberlappen}, {}});
    toolbars_ = new TFrameToolbars(this, PagePanel, mdiArea_, defs);
}

// ---------------------------------------------------------------------------
// Start-up

bool TMainForm::OnCreate()
{
    platform::CursorService::current().setBusy();
    if (!Globals::LoadSettings(*this)) {
        platform::CursorService::current().setNormal();
        return false;
    }
    if (Globals::Settings().SingleInstance) {
        SetRaiseHandler([this] { RestoreAndRaise(this); });
        if (CheckSingleInstance()) {
            platform::CursorService::current().setNormal();
            return false;
        }
    }
    platform::runGuarded([this] { toolbars_->loadLayout(Globals::Settings().IniFileName); });
    MainMenu_Optionen_ToolbarDateiEinblenden->setChecked(toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Datei")));
    MainMenu_Optionen_ToolbarBearbeitenEinblenden->setChecked(
        toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Bearbeiten")));
    MainMenu_Optionen_ToolbarMarkierungEinblenden->setChecked(
        toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Markierung")));
    MainMenu_Optionen_ToolbarSuchenEinblenden->setChecked(toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Suchen")));
    MainMenu_Optionen_ToolbarOptionenEinblenden->setChecked(
        toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Optionen")));
    MainMenu_Optionen_ToolbarFensterEinblenden->setChecked(toolbars_->isToolbarVisible(QStringLiteral("Toolbar_Fenster")));
    return true;
}

bool TMainForm::event(QEvent* event)
{
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate)
        OnActivate();
    return result;
}

void TMainForm::OnActivate()
{
    TSettingsRecord& settings = Globals::Settings();
    if (!settings.FirstActivation)
        return;
    switch (settings.MainWindowState) {
    case TWindowState::wsMaximized: setWindowState(Qt::WindowMaximized); break;
    case TWindowState::wsMinimized: setWindowState(Qt::WindowMinimized); break;
    case TWindowState::wsNormal: break;
    }
    settings.FirstActivation = false;
    repaint();

    struct CursorReset {
        ~CursorReset() { platform::CursorService::current().setNormal(); }
    } cursorReset;
    // The remembered files and the command line's open as one batch, shown once at the end.
    beginBatch();
    struct BatchEnd {
        TMainForm* frame;
        ~BatchEnd() { frame->endBatch(); }
    } batchEnd{this};
    platform::runGuarded([this, &settings] {
        const QStringList remembered = settings.SavedOpenFiles;
        const bool reopen = settings.AutoSaveOpenFiles && !remembered.isEmpty();
        settings.SavedOpenFiles.clear();
        settings.SavedOpenFilesExists = false;
        if (reopen) {
            for (const QString& line : remembered) {
                const int eq = int(line.indexOf(QLatin1Char('=')));
                const QString name = eq < 0 ? QString() : line.mid(eq + 1);
                if (platform::fileExists(name))
                    OpenDocument(platform::fullPath(name));
            }
        }
        for (const QString& name : CommandLine::FilesToOpen(commandLine_))
            OpenDocument(name);
        if (settings.StartWithNewDoc && documentCount() == 0)
            MainMenu_Datei_Neu_OnClick();
    });
}

// ---------------------------------------------------------------------------
// Documents and tabs

TMainChildForm* TMainForm::createDocumentWindow()
{
    auto* child = new TMainChildForm(this);
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    systemMenus_->attach(sub);
    sub->setAttribute(Qt::WA_ShowWithoutActivating, batch_ > 0);
    sub->setWindowIcon(QIcon(QStringLiteral(":/icons/varnotex-small.svg")));
    zorder_.raise(child);
    child->OnCreate();
    // Placed by the frame, before it shows: the client area's own placement, which looks at
    // every other window, does not run.
    const int titleBar = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const QRect area = mdiArea_->viewport()->rect();
    const QPoint* previous = lastNewWindow_ ? &*lastNewWindow_ : nullptr;
    sub->move(newWindowGeometry(area, previous, QSize(1, 1), std::max(8, titleBar)).topLeft());
    sub->show();
    // The designed client area of 477 x 290 plus the window's frame and title bar.
    const QSize preferred = QSize(477, 290) + (sub->size() - child->size());
    const QRect geometry = newWindowGeometry(area, previous, preferred, std::max(8, titleBar));
    sub->setGeometry(geometry);
    lastNewWindow_ = geometry.topLeft();
    // In a batch only the last window is activated, when the batch ends: activating each
    // would touch every window already open.
    if (batch_ == 0)
        mdiArea_->setActiveSubWindow(sub);
    return child;
}

QList<TMainChildForm*> TMainForm::documents() const
{
    return zorder_.toList();
}

TMainChildForm* TMainForm::activeDocument() const { return zorder_.top(); }

QStringList TMainForm::documentCaptions() const
{
    QStringList captions;
    for (TMainChildForm* child : zorder_)
        captions << child->caption();
    return captions;
}

namespace {
// A tab shows its caption as it is: an "&" in a file name is no mnemonic.
QString tabLabel(QString caption) { return caption.replace(QLatin1Char('&'), QLatin1String("&&")); }
}  // namespace

int TMainForm::addTab(int number, const QString& caption)
{
    const QSignalBlocker block(PageCtrl);
    const int index = PageCtrl->addTab(tabLabel(caption));
    PageCtrl->setTabData(index, number);
    return index;
}

QString TMainForm::tabName(int index) const
{
    return QStringLiteral("Tab%1").arg(PageCtrl->tabData(index).toInt());
}

int TMainForm::tabIndexOf(int documentNumber) const
{
    // Tabs are appended in the order of their numbers, so the strip is sorted by number.
    int low = 0;
    int high = PageCtrl->count() - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int number = PageCtrl->tabData(middle).toInt();
        if (number == documentNumber)
            return middle;
        if (number < documentNumber)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void TMainForm::setTabCaption(int documentNumber, const QString& caption)
{
    const int index = tabIndexOf(documentNumber);
    if (index >= 0)
        PageCtrl->setTabText(index, tabLabel(caption));
}

void TMainForm::selectTabOf(int documentNumber)
{
    const QSignalBlocker block(PageCtrl);
    const int index = tabIndexOf(documentNumber);
    if (index >= 0)
        PageCtrl->setCurrentIndex(index);
}

void TMainForm::removeTabOf(int documentNumber)
{
    const QSignalBlocker block(PageCtrl);
    const int index = tabIndexOf(documentNumber);
    if (index >= 0)
        PageCtrl->removeTab(index);
}

void TMainForm::OpenDocument(const QString& name)
{
    if (!platform::fileExists(name)) {
        platform::MessageBoxService::current().show(
            QStringLiteral("Fehler:"), QStringLiteral("Die angegebene Datei \"%1\" konnte nicht gefunden werden.").arg(name),
            platform::MsgIcon::Error, platform::MsgButtons::Ok);
        return;
    }
    TMainChildForm* child = createDocumentWindow();
    bool loaded = false;
    try {
        platform::BusyCursor busy;
        child->setStatusSimpleText(QStringLiteral("Datei wird eingelesen..."));
        child->loadFile(name);
        loaded = true;
        child->RichEdit->setTextModified(false);
        child->UpdateDocumentState(11);
        child->setCaption(name);
        if (batch_ > 0) {
            // Every activation in the client area measures the title of each window again;
            // in a batch the titles are shown once, when the batch ends.
            child->setWindowTitle(QString());
            if (QMdiSubWindow* sub = child->subWindow())
                sub->setWindowTitle(QString());
        }
        ++DocumentCounter_;
        child->setTag(DocumentCounter_);
        byNumber_.insert(DocumentCounter_, child);
        addTab(DocumentCounter_, platform::fileNamePart(name));
        selectTabOf(DocumentCounter_);
        child->setStatusSimplePanel(false);
        if (Globals::Settings().OpenAsReadOnlyIfIsReadOnly && Globals::IsFileReadOnly(name))
            child->MainMenu_Bearbeiten_NurLesenZulassen_OnClick();
        // In a batch the focus would activate each window in turn; the last one gets it at the end.
        if (batch_ == 0)
            child->focusEditor();
    } catch (...) {
        child->setStatusSimplePanel(false);
        if (!loaded) {
            // A window without a tab and a number must not stay open.
            child->discard();
        }
        throw;
    }
}

void TMainForm::MainMenu_Datei_Neu_OnClick()
{
    TMainChildForm* child = createDocumentWindow();
    child->setCaption(QStringLiteral("<Unbenannt>"));
    child->setStatusSimplePanel(false);
    ++DocumentCounter_;
    child->setTag(DocumentCounter_);
    byNumber_.insert(DocumentCounter_, child);
    addTab(DocumentCounter_, QStringLiteral("<Unbenannt>"));
    selectTabOf(DocumentCounter_);
    child->focusEditor();
}

void TMainForm::MainMenu_Datei_Oeffnen_OnClick()
{
    const TMainChildForm* child = activeDocument();
    const QString caption = child ? child->caption() : QString();
    const QString start = Globals::IsDocumentFile(caption) ? caption : platform::programDir();
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Datei öffnen...");
    request.initialDir = platform::directoryPart(start);
    request.fileName = platform::fileNamePart(start);
    request.filter = openFilter_;
    request.filterIndex = kFilterIndex;
    const QString chosen = platform::FileDialogService::current().getOpenFileName(request);
    if (chosen.isEmpty())
        return;
    OpenDocument(platform::fullPath(chosen));
}

QString TMainForm::runSaveDialog(const QString& proposedFolder, const QString& proposedName, bool propose)
{
    if (propose) {
        saveDialogFolder_ = proposedFolder;
        saveDialogName_ = proposedName;
    }
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Speichern unter...");
    request.initialDir = saveDialogFolder_;
    request.fileName = saveDialogName_;
    request.filter = saveFilter_;
    request.filterIndex = kFilterIndex;
    const QString chosen = platform::FileDialogService::current().getSaveFileName(request);
    if (!chosen.isEmpty()) {
        saveDialogFolder_ = platform::directoryPart(platform::fullPath(chosen));
        saveDialogName_ = platform::fileNamePart(chosen);
    }
    return chosen;
}

void TMainForm::PageCtrlChange()
{
    const int index = PageCtrl->currentIndex();
    if (index < 0)
        return;
    if (TMainChildForm* child = byNumber_.value(PageCtrl->tabData(index).toInt()))
        activateDocument(child);
}

void TMainForm::activateDocument(TMainChildForm* child)
{
    const quint64 before = activations_;
    if (QMdiSubWindow* sub = child->subWindow()) {
        if (sub->isMinimized())
            sub->showNormal();
        mdiArea_->setActiveSubWindow(sub);
    }
    // The window system does not report every activation (an inactive frame, a window that
    // was active already): the frame and its buttons follow the chosen document all the same.
    if (activations_ == before)
        documentActivated(child);
}

void TMainForm::documentCreated(TMainChildForm*)
{
    MainMenu_Fenster->menuAction()->setVisible(true);
    for (QAction* button : {Button_Drucken, Button_Einfuegen, Button_NichtsMarkieren, Button_AllesMarkieren, Button_Suchen,
                            Button_Weitersuchen, Button_Laengsteilen, Button_Querteilen, Button_Ueberlappen})
        button->setEnabled(true);
    if (batch_ == 0)
        PageCtrl->show();
}

void TMainForm::documentActivated(TMainChildForm* child)
{
    ++activations_;
    zorder_.raise(child);
    if (keysHolder_ != child) {
        if (keysHolder_)
            keysHolder_->setShortcutsShown(false);
        child->setShortcutsShown(true);
        keysHolder_ = child;
    }
    if (mergedDocument_ != child) {
        if (batch_ > 0)
            menuBarStale_ = true;  // rebuilt once when the batch ends
        else
            rebuildMenuBar();
    }
    child->OnActivate();
}

void TMainForm::documentDestroyed(TMainChildForm* child)
{
    zorder_.remove(child);
    if (byNumber_.value(child->tag()) == child)
        byNumber_.remove(child->tag());
    if (closing_)
        return;
    rebuildMenuBar();
    if (TMainChildForm* next = activeDocument())
        activateDocument(next);
}

void TMainForm::beginBatch()
{
    if (batch_++ > 0)
        return;
    mdiArea_->setUpdatesEnabled(false);
    // A hidden tab strip lays its tabs out once, when it shows again, not at every new tab.
    PageCtrl->hide();
}

void TMainForm::endBatch()
{
    if (--batch_ > 0)
        return;
    mdiArea_->setUpdatesEnabled(true);
    PageCtrl->setVisible(documentCount() > 0);
    for (TMainChildForm* child : zorder_)
        child->setCaption(child->caption());  // the titles held back in the batch
    if (TMainChildForm* top = activeDocument()) {
        if (QMdiSubWindow* sub = top->subWindow())
            sub->setAttribute(Qt::WA_ShowWithoutActivating, false);
        activateDocument(top);
    }
    if (menuBarStale_ || mergedDocument_ != activeDocument()) {
        menuBarStale_ = false;
        rebuildMenuBar();
    }
}

void TMainForm::enterEmptyState()
{
    MainMenu_Fenster->menuAction()->setVisible(false);
    for (QAction* button : {Button_Drucken, Button_Rueckgaengig, Button_Wiederherstellen, Button_Ausschneiden,
                            Button_Kopieren, Button_Einfuegen, Button_Loeschen, Button_Grossbuchstaben,
                            Button_Kleinbuchstaben, Button_NichtsMarkieren, Button_AllesMarkieren, Button_Suchen,
                            Button_Weitersuchen, Button_Laengsteilen, Button_Querteilen, Button_Ueberlappen})
        button->setEnabled(false);
    PageCtrl->hide();
}

// ---------------------------------------------------------------------------
// Menus

void TMainForm::rebuildMenuBar()
{
    TMainChildForm* child = activeDocument();
    mergedDocument_ = child;
    std::vector<std::pair<int, QMenu*>> frameMenus = {
        {0, MainMenu_Datei}, {6, MainMenu_Optionen}, {6, MainMenu_Fenster}, {6, MainMenu_Tools}, {6, MainMenu_Hilfe}};
    std::vector<std::pair<int, QMenu*>> childMenus;
    if (child) {
        childMenus = {{0, child->MainMenu_Datei},
                      {3, child->MainMenu_Bearbeiten},
                      {3, child->MainMenu_Markierung},
                      {3, child->MainMenu_Suchen}};
    }
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* menu : mergeMenusByGroup(frameMenus, childMenus))
        bar->addMenu(menu);
}

QList<QMenu*> TMainForm::shortcutMenus(bool fromEditor) const
{
    QList<QMenu*> menus;
    if (TMainChildForm* child = activeDocument()) {
        if (fromEditor)
            menus << child->PopupMenu;
        menus << child->MainMenu_Datei << child->MainMenu_Bearbeiten << child->MainMenu_Markierung << child->MainMenu_Suchen;
    }
    menus << MainMenu_Datei << MainMenu_Optionen << MainMenu_Fenster << MainMenu_Tools << MainMenu_Hilfe;
    return menus;
}

bool TMainForm::dispatchShortcut(const QKeySequence& key, bool fromEditor)
{
    for (QMenu* menu : shortcutMenus(fromEditor)) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action->menu() || action->shortcut().isEmpty())
                continue;
            if (action->shortcut().matches(key) == QKeySequence::ExactMatch) {
                if (action->isEnabled())
                    action->trigger();
                return true;
            }
        }
    }
    return false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || qobject_cast<QMenu*>(widget))
        return QMainWindow::eventFilter(watched, event);
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : widget != this)
        return QMainWindow::eventFilter(watched, event);
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    if (key == Qt::Key_unknown || key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_Meta || key == Qt::Key_AltGr)
        return QMainWindow::eventFilter(watched, event);
    const Qt::KeyboardModifiers mods =
        keyEvent->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QKeySequence sequence(QKeyCombination(mods, Qt::Key(key)));
    TMainChildForm* child = activeDocument();
    const bool fromEditor = child && child->ownsEditorWidget(widget);
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim keys that a menu item carries, so that no other shortcut takes them.
        for (QMenu* menu : shortcutMenus(fromEditor))
            for (QAction* action : menu->actions())
                if (!action->isSeparator() && !action->shortcut().isEmpty() &&
                    action->shortcut().matches(sequence) == QKeySequence::ExactMatch) {
                    event->accept();
                    return true;
                }
        return QMainWindow::eventFilter(watched, event);
    }
    if (dispatchShortcut(sequence, fromEditor))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::MainMenu_Optionen_ToolbarDateiEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarDateiEinblenden, QStringLiteral("Toolbar_Datei"));
}

void TMainForm::MainMenu_Optionen_ToolbarBearbeitenEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarBearbeitenEinblenden, QStringLiteral("Toolbar_Bearbeiten"));
}

void TMainForm::MainMenu_Optionen_ToolbarMarkierungEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarMarkierungEinblenden, QStringLiteral("Toolbar_Markierung"));
}

void TMainForm::MainMenu_Optionen_ToolbarSuchenEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarSuchenEinblenden, QStringLiteral("Toolbar_Suchen"));
}

void TMainForm::MainMenu_Optionen_ToolbarOptionenEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarOptionenEinblenden, QStringLiteral("Toolbar_Optionen"));
}

void TMainForm::MainMenu_Optionen_ToolbarFensterEinblenden_OnClick()
{
    toggleToolbar(MainMenu_Optionen_ToolbarFensterEinblenden, QStringLiteral("Toolbar_Fenster"));
}

void TMainForm::toggleToolbar(QAction* item, const QString& toolbarName)
{
    const bool visible = !toolbars_->isToolbarVisible(toolbarName);
    toolbars_->setToolbarVisible(toolbarName, visible);
    item->setChecked(visible);
}

void TMainForm::updateWindowList()
{
    for (QAction* action : windowListActions_) {
        MainMenu_Fenster->removeAction(action);
        action->deleteLater();
    }
    windowListActions_.clear();
    if (zorder_.empty())
        return;
    QAction* separator = MainMenu_Fenster->addSeparator();
    windowListActions_ << separator;
    // Listed in the order the windows were created, as their tabs are.
    QList<TMainChildForm*> ordered;
    for (int i = 0; i < PageCtrl->count(); ++i)
        if (TMainChildForm* child = byNumber_.value(PageCtrl->tabData(i).toInt()))
            ordered << child;
    int number = 1;
    for (TMainChildForm* child : ordered) {
        QString caption = child->caption();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                         : QStringLiteral("%1 %2").arg(number).arg(caption);
        auto* action = new QAction(text, MainMenu_Fenster);
        action->setCheckable(true);
        action->setChecked(child == activeDocument());
        QPointer<TMainChildForm> target(child);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target)
                activateDocument(target);
        });
        MainMenu_Fenster->addAction(action);
        windowListActions_ << action;
        ++number;
    }
}

// ---------------------------------------------------------------------------
// Window arrangement

void TMainForm::MainMenu_Fenster_Vorheriges_OnClick()
{
    if (zorder_.size() < 2)
        return;
    activateDocument(zorder_.bottom());
}

void TMainForm::MainMenu_Fenster_Naechstes_OnClick()
{
    if (zorder_.size() < 2)
        return;
    TMainChildForm* current = zorder_.top();
    TMainChildForm* next = zorder_.second();
    activateDocument(next);
    // The window that was active goes to the bottom of the stack.
    if (zorder_.contains(current))
        zorder_.lower(current);
    if (QMdiSubWindow* sub = current->subWindow())
        sub->lower();
}

void TMainForm::tile(bool stacked)
{
    QList<QMdiSubWindow*> windows;
    bool hasIcons = false;
    for (TMainChildForm* child : zorder_) {
        QMdiSubWindow* sub = child->subWindow();
        if (!sub)
            continue;
        if (sub->isMinimized()) {
            hasIcons = true;
            continue;
        }
        if (sub->isMaximized())
            sub->showNormal();
        windows << sub;
    }
    if (windows.isEmpty())
        return;
    QRect area = mdiArea_->viewport()->rect();
    if (hasIcons) {
        MainMenu_Fenster_SymboleAnordnen_OnClick();
        area.setHeight(std::max(1, area.height() - windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight) - 8));
    }
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QRect r;
        if (stacked) {
            const int top = area.top() + area.height() * i / n;
            const int bottom = area.top() + area.height() * (i + 1) / n;
            r = QRect(area.left(), top, area.width(), bottom - top);
        } else {
            const int left = area.left() + area.width() * i / n;
            const int right = area.left() + area.width() * (i + 1) / n;
            r = QRect(left, area.top(), right - left, area.height());
        }
        windows[i]->setGeometry(r);
    }
}

void TMainForm::MainMenu_Fenster_Laengsteilen_OnClick()
{
    tileHorizontal_ = true;
    tile(true);
}

void TMainForm::MainMenu_Fenster_Querteilen_OnClick()
{
    tileHorizontal_ = false;
    tile(false);
}

void TMainForm::MainMenu_Fenster_Ueberlappen_OnClick()
{
    // The bottom window of the stack first, so that the active one ends on top and in front.
    QList<QMdiSubWindow*> windows;
    const QList<TMainChildForm*> stack = zorder_.toList();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (QMdiSubWindow* sub = (*it)->subWindow(); sub && !sub->isMinimized())
            windows << sub;
    if (windows.isEmpty())
        return;
    const QRect area = mdiArea_->viewport()->rect();
    const int step = windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 6;
    const int width = std::max(160, area.width() * 3 / 4);
    const int height = std::max(120, area.height() * 3 / 4);
    int x = 0;
    int y = 0;
    for (QMdiSubWindow* sub : windows) {
        if (sub->isMaximized())
            sub->showNormal();
        if (x + width > area.width() || y + height > area.height())
            x = y = 0;
        sub->setGeometry(x, y, width, height);
        sub->raise();
        x += step;
        y += step;
    }
}

void TMainForm::MainMenu_Fenster_SymboleAnordnen_OnClick()
{
    QList<QMdiSubWindow*> icons;
    QList<QSize> sizes;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isMinimized() && sub->isVisible()) {
            icons << sub;
            sizes << sub->size();
        }
    }
    const QList<QPoint> positions = iconPositions(mdiArea_->viewport()->rect(), sizes);
    for (int i = 0; i < icons.size(); ++i)
        icons[i]->move(positions[i]);
}

// ---------------------------------------------------------------------------
// Settings, help, tools

void TMainForm::MainMenu_Optionen_EinstellungenKonfigurieren_OnClick()
{
    TEinstellungenForm dialog(*this, this);
    dialog.exec();
}

void TMainForm::MainMenu_Hilfe_Infos_OnClick()
{
    TInfosForm dialog(this);
    dialog.exec();
}

void TMainForm::MainMenu_Hilfe_Hilfethemen_OnClick()
{
    const QString name = QStringLiteral("Readme.txt");
    QString found = name;
    if (platform::fileExists(name))
        found = platform::fullPath(name);
    else if (platform::fileExists(platform::programDir() + name))
        found = platform::programDir() + name;
    else if (platform::fileExists(platform::programDir() + QStringLiteral("Doc/") + name))
        found = platform::programDir() + QStringLiteral("Doc/") + name;
    OpenDocument(found);
}

void TMainForm::AddTool(const QString& name, const QString& command)
{
    MainMenu_Tools->menuAction()->setVisible(true);
    QAction* item = nullptr;
    if (name == QLatin1String("-")) {
        item = MainMenu_Tools->addSeparator();
    } else {
        item = new QAction(name, MainMenu_Tools);
        MainMenu_Tools->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { platform::runGuarded([this, item] { MainMenu_Tools_OnClick(item); }); });
    }
    // The hint carries the command; it is shown nowhere.
    item->setStatusTip(command);
    item->setData(command);
    item->setText(name);
}

QList<QAction*> TMainForm::toolItems() const { return MainMenu_Tools->actions(); }

QList<ToolEntry> TMainForm::toolEntries() const
{
    QList<ToolEntry> entries;
    for (QAction* item : MainMenu_Tools->actions())
        entries.append(ToolEntry{item->isSeparator() ? QStringLiteral("-") : item->text(), item->data().toString()});
    return entries;
}

void TMainForm::applyViewSettings(bool showSelectionBar, bool autoUrlDetection)
{
    for (TMainChildForm* child : zorder_)
        child->applyViewSettings(showSelectionBar, autoUrlDetection);
}

void TMainForm::clearTools()
{
    for (QAction* action : MainMenu_Tools->actions()) {
        MainMenu_Tools->removeAction(action);
        delete action;
    }
    MainMenu_Tools->menuAction()->setVisible(false);
}

void TMainForm::MainMenu_Tools_OnClick(QAction* sender)
{
    const TMainChildForm* child = activeDocument();
    const QString caption = child ? child->caption() : QString();
    const QString parameters = Globals::IsDocumentFile(caption) ? caption : QString();
    Globals::ExecuteProgram(sender->data().toString(), parameters);
}

// ---------------------------------------------------------------------------
// Settings frame

int TMainForm::frameWidth() const { return width(); }
int TMainForm::frameHeight() const { return height(); }
void TMainForm::setFrameWidth(int width) { resize(width, height()); }
void TMainForm::setFrameHeight(int height) { resize(width(), height); }

TWindowState TMainForm::frameWindowState() const
{
    if (isMinimized())
        return TWindowState::wsMinimized;
    if (isMaximized())
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TMainForm::saveToolbarLayout(const QString& iniFileName) { toolbars_->saveLayout(iniFileName); }

// ---------------------------------------------------------------------------
// Closing

void TMainForm::MainMenu_Datei_Beenden_OnClick() { close(); }

bool TMainForm::queryCloseDocuments()
{
    const QList<TMainChildForm*> children = documents();
    for (TMainChildForm* child : children)
        if (!child->OnCloseQuery())
            return false;
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // An error in a close query (any exception) stops the close with everything as it was.
    bool agreed = false;
    platform::runGuarded([&] { agreed = queryCloseDocuments(); });
    if (!agreed) {
        event->ignore();
        return;
    }
    // OnClose: the settings of the run. A failed write is reported and keeps the frame open;
    // when it fails again at the next close, it is reported once more and the program ends
    // all the same, so the user is never left without a way out. Every document window has
    // agreed to close by now, so no text is lost.
    if (!platform::runGuarded([this] { Globals::SaveOnExit(*this); })) {
        if (++failedSettingsWrites_ < 2) {
            event->ignore();
            return;
        }
    }
    closing_ = true;
    event->accept();
    qApp->quit();
}
