#include "app/mainform.h"

#include "app/systemmenu.h"
#include "app/windowplacement.h"
#include "document/mainchildform.h"
#include "editor/texteditor.h"
#include "platform/cursor.h"
#include "platform/filedialogs.h"
#include "platform/filefacts.h"
#include "platform/filenames.h"
#include "platform/messagebox.h"

#include <QAction>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>
#include <QTabBar>

namespace {

constexpr int kFilterIndex = 4;

}  // namespace

// ---------------------------------------------------------------------------
// Documents and tabs

TMainChildForm* TMainForm::createDocumentWindow()
{
    // A new window opens maximised when the active one is: the user keeps working in one
    // full-size window at a time.
    const TMainChildForm* active = activeDocument();
    const bool maximised = active && active->subWindow() && active->subWindow()->isMaximized();
    auto* child = new TMainChildForm(this);
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    systemMenus_->attach(sub);
    sub->setAttribute(Qt::WA_ShowWithoutActivating, batch_ > 0);
    sub->setWindowIcon(QIcon(QStringLiteral(":/icons/varnotex-small.svg")));
    // One window at a time is maximised: the one before goes back to its normal place
    // behind it, so that restoring shows each window in its own frame and the frame's
    // title never names a window that is not the active one.
    connect(sub, &QMdiSubWindow::windowStateChanged, this, [this, sub](Qt::WindowStates before, Qt::WindowStates now) {
        if (!(now & Qt::WindowMaximized) || (before & Qt::WindowMaximized))
            return;
        for (QMdiSubWindow* other : mdiArea_->subWindowList())
            if (other != sub && other->isMaximized())
                other->showNormal();
    });
    zorder_.raise(child);
    child->OnCreate();
    // Placed by the frame, before it shows: the client area's own placement, which looks at
    // every other window, does not run.
    const int titleBar = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    const QRect area = mdiArea_->viewport()->rect();
    const QPoint* previous = lastNewWindow_ ? &*lastNewWindow_ : nullptr;
    // The client area would maximise the window as it shows, beside a maximised one, before
    // it has its normal place; the normal place comes first, so that restoring finds it.
    mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
    sub->move(newWindowGeometry(area, previous, QSize(1, 1), std::max(8, titleBar)).topLeft());
    sub->show();
    // The designed client area of 477 x 290 plus the window's frame and title bar.
    const QSize preferred = QSize(477, 290) + (sub->size() - child->size());
    const QRect geometry = newWindowGeometry(area, previous, preferred, std::max(8, titleBar));
    sub->setGeometry(geometry);
    lastNewWindow_ = geometry.topLeft();
    mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, false);
    if (maximised)
        sub->showMaximized();
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
    // A name whose text cannot tell two files apart opens neither.
    const QByteArray twin = platform::inexactTwinOf(name);
    if (!twin.isEmpty()) {
        platform::MessageBoxService::current().show(QStringLiteral("Fehler:"), platform::inexactNameText(twin),
                                                    platform::MsgIcon::Error, platform::MsgButtons::Ok);
        return;
    }
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
        Globals::NoteRecentFile(name);
        child->RichEdit->setTextModified(false);
        child->UpdateDocumentState(11);
        child->setCaption(name);
        child->rememberFile();
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

void TMainForm::documentCreated(TMainChildForm* child)
{
    attachAdditions(child);
    showDocumentCommands();
}

void TMainForm::showDocumentCommands()
{
    MainMenu_Fenster->menuAction()->setVisible(true);
    for (QAction* button : {Button_Drucken, Button_Einfuegen, Button_NichtsMarkieren, Button_AllesMarkieren, Button_Suchen,
                            Button_Weitersuchen, Button_Laengsteilen, Button_Querteilen, Button_Ueberlappen})
        button->setEnabled(true);
    if (batch_ == 0)
        PageCtrl->show();
}

void TMainForm::resumeAfterStoppedClose()
{
    TMainChildForm* top = activeDocument();
    if (!top)
        return;
    showDocumentCommands();
    top->OnActivate();  // its save state, undo and selection buttons
}

void TMainForm::documentActivated(TMainChildForm* child)
{
    ++activations_;
    zorder_.raise(child);
    if (keysHolder_ != child) {
        if (keysHolder_) {
            keysHolder_->setShortcutsShown(false);
            keysHolder_->setFindDialogFollows(false);
        }
        child->setShortcutsShown(true);
        child->setFindDialogFollows(true);
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
// Window list

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
