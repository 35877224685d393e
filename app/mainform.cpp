#include "app/mainform.h"

#include "app/commandline.h"
#include "app/firstshow.h"
#include "app/frametoolbars.h"
#include "app/singleinstance.h"
#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "document/mainchildform.h"
#include "links/executeprogram.h"
#include "platform/cursor.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "platform/filewatcher.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QTimer>

namespace {

const QString kDefaultFilter = QStringLiteral(
    "Textdateien [*.txt]|*.txt|Html-Dokumente [*.htm;*.html]|*.htm;*.html|"
    "Quellcode [*.c;*.h;*.mak;*.dpr;*.pas]|*.c;*.h;*.mak;*.dpr;*.pas|Alle Dateien [*.*]|*.*");

}  // namespace

namespace {

// Windows opened in one batch under the hourglass: the batch ends and the hourglass goes
// on every way out.
class BusyBatch {
public:
    explicit BusyBatch(TMainForm* frame) : frame_(frame) { frame_->beginBatch(); }
    ~BusyBatch()
    {
        frame_->endBatch();
        platform::CursorService::current().setNormal();
    }
    BusyBatch(const BusyBatch&) = delete;
    BusyBatch& operator=(const BusyBatch&) = delete;

private:
    TMainForm* frame_;
};

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Varnotex V1"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/varnotex.svg")));
    openFilter_ = kDefaultFilter;
    saveFilter_ = kDefaultFilter;

    fileWatcher_ = new platform::FileWatcher(this);
    connect(fileWatcher_, &platform::FileWatcher::filesChanged, this, [this] { scheduleFileCheck(); });
    createButtons();
    createMenus();
    createCentralArea();
    rebuildMenuBar();
    setAcceptDrops(true);  // files dropped from a file manager open

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
        SetRequestHandler([this](const platform::InstanceRequest& request) { OpenForwardedStart(request); });
        if (CheckSingleInstance(commandLine_)) {
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
    if (event->type() == QEvent::WindowActivate) {
        OnActivate();
        // Back in the program: a change made meanwhile is told now.
        fileWatcher_->rearm();
        scheduleFileCheck();
    }
    // The first activation also runs once the frame is on the screen, for a window manager
    // that maps it without giving it the focus.
    if (event->type() == QEvent::Show && Globals::Settings().FirstActivation)
        CallOnceExposed(this, [this] { OnActivate(); });
    return result;
}

void TMainForm::OpenForwardedStart(const platform::InstanceRequest& request)
{
    // A start that came before this frame's own first activation waits for it.
    if (Globals::Settings().FirstActivation) {
        QTimer::singleShot(100, this, [this, request] { OpenForwardedStart(request); });
        return;
    }
    // The files open as this frame's own command line would, with that start's folder.
    const QStringList files = CommandLine::FilesToOpenIn(request.arguments, request.workingFolder);
    if (!files.isEmpty()) {
        platform::CursorService::current().setBusy();
        const BusyBatch batch(this);
        platform::runGuarded([this, &files] {
            for (const QString& name : files)
                OpenDocument(name);
        });
    }
    RestoreAndRaise(this, request.activationToken);
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

    // The remembered files and the command line's open as one batch, shown once at the end.
    const BusyBatch batch(this);
    platform::runGuarded([this, &settings] {
        // Unsaved text of an earlier run first: a file it belongs to opens only once, with it.
        const QStringList recovered = OfferRecovery();
        const QStringList remembered = settings.SavedOpenFiles;
        const bool reopen = settings.AutoSaveOpenFiles && !remembered.isEmpty();
        settings.SavedOpenFiles.clear();
        settings.SavedOpenFilesExists = false;
        if (reopen) {
            for (const QString& line : remembered) {
                const int eq = int(line.indexOf(QLatin1Char('=')));
                const QString name = eq < 0 ? QString() : line.mid(eq + 1);
                if (platform::fileExists(name) && !recovered.contains(platform::fullPath(name)))
                    OpenDocument(platform::fullPath(name));
            }
        }
        for (const QString& name : CommandLine::FilesToOpen(commandLine_)) {
            if (!recovered.contains(name))
                OpenDocument(name);
        }
        if (settings.StartWithNewDoc && documentCount() == 0)
            MainMenu_Datei_Neu_OnClick();
    });
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
    // Each place in turn, the name in exactly this case first, then in any case.
    const QString name = QStringLiteral("Readme.txt");
    QString found = name;
    if (const QString here = platform::findFileAnyCase(QString(), name); !here.isEmpty())
        found = platform::fullPath(here);
    else if (const QString beside = platform::findFileAnyCase(platform::programDir(), name); !beside.isEmpty())
        found = beside;
    else if (const QString doc = platform::findFileAnyCase(platform::programDir(), QStringLiteral("Doc/") + name);
             !doc.isEmpty())
        found = doc;
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
    // The hint carries the command; it is shown nowhere. A separator shows no label.
    item->setStatusTip(command);
    item->setData(command);
    if (!item->isSeparator())
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
    Globals::ExecuteTool(sender->data().toString(), parameters);
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
            resumeAfterStoppedClose();
            return;
        }
    }
    closing_ = true;
    event->accept();
    qApp->quit();
}
