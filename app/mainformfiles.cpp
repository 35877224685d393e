#include "app/mainform.h"

#include "document/mainchildform.h"
#include "platform/errors.h"
#include "platform/filewatcher.h"

#include <QApplication>
#include <QPointer>
#include <QTabBar>
#include <QTimer>

// ---------------------------------------------------------------------------
// Changes made outside: other programs, and other windows on the same file

void TMainForm::documentFileWritten(TMainChildForm*)
{
    // Another window on the same file learns of the save as of any change made outside.
    scheduleFileCheck();
}

void TMainForm::scheduleFileCheck()
{
    if (fileCheckScheduled_)
        return;
    fileCheckScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        fileCheckScheduled_ = false;
        checkDocumentFiles();
    });
}

void TMainForm::checkDocumentFiles()
{
    // Only while the user is here to answer: the next activation looks again.
    if (checkingFiles_ || closing_ || batch_ > 0 || Globals::Settings().FirstActivation)
        return;
    if (!isActiveWindow() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    checkingFiles_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{checkingFiles_};
    const QPointer<TMainChildForm> wasActive = activeDocument();
    QList<QPointer<TMainChildForm>> inTabOrder;
    for (int i = 0; i < PageCtrl->count(); ++i)
        if (TMainChildForm* child = byNumber_.value(PageCtrl->tabData(i).toInt()))
            inTabOrder << child;
    bool told = false;
    for (const QPointer<TMainChildForm>& child : inTabOrder) {
        if (!child || !child->hasUntoldOutsideChange())
            continue;
        // The question is asked in front of the document it is about.
        activateDocument(child);
        platform::runGuarded([&] { child->checkFileChangedOutside(); });
        told = true;
    }
    if (told && wasActive && wasActive != activeDocument())
        activateDocument(wasActive);
}
