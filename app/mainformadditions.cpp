// The frame's additions beside its commands: the list of recently opened files in both
// "&Datei" menus, files dropped on the frame, and the font size of every editor.

#include "app/mainform.h"

#include "document/mainchildform.h"
#include "editor/texteditor.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "settings/globals.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kMinFontSize = 8;
constexpr int kMaxFontSize = 48;
constexpr int kSystemFontSize = 9;  // the 12 pixels of the system font

// The local files among the URLs of a drop, in their order.
QStringList localFiles(const QList<QUrl>& urls)
{
    QStringList files;
    for (const QUrl& url : urls)
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            files << url.toLocalFile();
    return files;
}

}  // namespace

// ---------------------------------------------------------------------------
// Recently opened files

void TMainForm::createRecentFilesMenu()
{
    MainMenu_Datei_ZuletztGeoeffnet = new QMenu(QStringLiteral("&Zuletzt geöffnet"), this);
    MainMenu_Datei_ZuletztGeoeffnet->setObjectName(QStringLiteral("MainMenu_Datei_ZuletztGeoeffnet"));
    MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren = new QAction(QStringLiteral("Liste &leeren"), this);
    MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren->setObjectName(QStringLiteral("MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren"));
    connect(MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren, &QAction::triggered, this,
            [this] { platform::runGuarded([this] { MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren_OnClick(); }); });
    connect(MainMenu_Datei_ZuletztGeoeffnet, &QMenu::aboutToShow, this, &TMainForm::updateRecentFilesMenu);
    // In the frame's own "&Datei" right after "&Öffnen".
    MainMenu_Datei->insertMenu(MainMenu_Datei->actions().value(2), MainMenu_Datei_ZuletztGeoeffnet);
    updateRecentFilesMenu();
}

void TMainForm::updateRecentFilesMenu()
{
    QMenu* menu = MainMenu_Datei_ZuletztGeoeffnet;
    const QStringList& files = Globals::Settings().RecentFiles;
    QStringList shownFiles;
    for (const QAction* action : menu->actions())
        if (!action->data().toString().isEmpty())
            shownFiles << action->data().toString();
    if (shownFiles == files && !menu->isEmpty())
        return;  // the items stay what they are
    for (QAction* action : menu->actions())
        if (action != MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren) {
            menu->removeAction(action);
            action->setObjectName(QString());
            action->deleteLater();
        }
    menu->clear();
    for (qsizetype i = 0; i < files.size() && i < Globals::kMaxRecentFiles; ++i) {
        const QString number = i + 1 < 10 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        // A "&" of the path is shown as it is.
        QString shown = files[i];
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* item = new QAction(number + QLatin1Char(' ') + shown, menu);
        item->setObjectName(QStringLiteral("MainMenu_Datei_ZuletztGeoeffnet_%1").arg(i + 1));
        const QString path = files[i];
        item->setData(path);
        // The item goes when the list is rebuilt: it runs once the menu has finished with it.
        connect(item, &QAction::triggered, this,
                [this, path] { platform::runGuarded([this, path] { MainMenu_Datei_ZuletztGeoeffnet_OnClick(path); }); },
                Qt::QueuedConnection);
        menu->addAction(item);
    }
    menu->addSeparator();
    menu->addAction(MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren);
    MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren->setEnabled(!files.isEmpty());
}

void TMainForm::MainMenu_Datei_ZuletztGeoeffnet_OnClick(const QString& path)
{
    // A file that is gone gives the open error and leaves the list.
    if (!platform::fileExists(path)) {
        Globals::ForgetRecentFile(path);
        updateRecentFilesMenu();
    }
    OpenDocument(path);
}

void TMainForm::MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren_OnClick()
{
    Globals::ClearRecentFiles();
    updateRecentFilesMenu();
}

void TMainForm::attachAdditions(TMainChildForm* child)
{
    // In the document window's "&Datei" right after "Speichern &unter...".
    child->MainMenu_Datei->insertMenu(child->MainMenu_Datei_Schliessen, MainMenu_Datei_ZuletztGeoeffnet);
    connect(child, &TMainChildForm::zoomRequested, this, [this](int step) { zoomBy(step); });
    if (Globals::Settings().FontSize > 0)
        child->RichEdit->setFontPointSize(Globals::Settings().FontSize);
}

// ---------------------------------------------------------------------------
// Dropped files

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !localFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() && !localFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QList<QUrl> urls = event->mimeData()->urls();
    platform::runGuarded([this, &urls] { openDroppedFiles(urls); });
}

void TMainForm::openDroppedFiles(const QList<QUrl>& urls)
{
    for (const QString& file : localFiles(urls)) {
        const QString path = platform::fullPath(file);
        if (platform::isDirectory(path))
            continue;
        // Each file as "&Öffnen" opens it: an error of one leaves the others to come.
        platform::runGuarded([this, &path] { OpenDocument(path); });
    }
}

// ---------------------------------------------------------------------------
// Font size

int TMainForm::editorFontSize() const
{
    const int size = Globals::Settings().FontSize;
    return size > 0 ? size : kSystemFontSize;
}

void TMainForm::setEditorFontSize(int points)
{
    Globals::Settings().FontSize = points == 0 ? 0 : std::clamp(points, kMinFontSize, kMaxFontSize);
    // 0 gives every editor the font it was made with again.
    for (TMainChildForm* child : documents())
        child->RichEdit->setFontPointSize(Globals::Settings().FontSize);
}

void TMainForm::zoomBy(int step)
{
    setEditorFontSize(std::clamp(editorFontSize() + step, kMinFontSize, kMaxFontSize));
}

bool TMainForm::zoomKey(const QKeySequence& key)
{
    const QKeyCombination combination = key[0];
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return false;
    switch (combination.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(1);
        return true;
    case Qt::Key_Minus:
        if (mods & Qt::ShiftModifier)
            return false;
        zoomBy(-1);
        return true;
    case Qt::Key_0:
        if (mods & Qt::ShiftModifier)
            return false;
        setEditorFontSize(0);
        return true;
    default:
        return false;
    }
}
