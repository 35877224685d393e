#include "app/mainform.h"

#include "app/frametoolbars.h"
#include "app/menumerge.h"
#include "app/systemmenu.h"
#include "document/mainchildform.h"
#include "platform/errors.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

namespace {

// Whether one of the item's keys (its own or its second one) is the key pressed.
bool carriesKey(const QAction* action, const QKeySequence& key)
{
    for (const QKeySequence& own : action->shortcuts())
        if (own.matches(key) == QKeySequence::ExactMatch)
            return true;
    return false;
}

QIcon buttonIcon(const QString& name)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name.toLower()));
}

}  // namespace

// ---------------------------------------------------------------------------
// Menus and buttons

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
    // The usual second keys; the menu shows the first.
    MainMenu_Datei_Oeffnen->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_O)});
    MainMenu_Datei_Beenden->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    createRecentFilesMenu();
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
    TMainChildForm* child = activeDocument();
    for (QMenu* menu : shortcutMenus(fromEditor)) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action->menu() || action->shortcut().isEmpty())
                continue;
            if (carriesKey(action, key)) {
                // The context menu's items are brought up to date as when it opens, so that
                // their keys work from the first moment, not only after it was opened once.
                if (child && menu == child->PopupMenu)
                    child->PopupMenu_OnPopup();
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
                if (!action->isSeparator() && !action->shortcut().isEmpty() && carriesKey(action, sequence)) {
                    event->accept();
                    return true;
                }
        return QMainWindow::eventFilter(watched, event);
    }
    if (dispatchShortcut(sequence, fromEditor))
        return true;
    if (zoomKey(sequence))
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
