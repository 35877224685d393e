#include "document/mainchildform.h"

#include "document/documentframe.h"
#include "document/outsidechange.h"
#include "editor/texteditor.h"
#include "platform/cursor.h"
#include "platform/filefacts.h"
#include "platform/filewatcher.h"
#include "platform/messagebox.h"
#include "recovery/journal.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

// ---------------------------------------------------------------------------
// The document's file: its identity, changes made outside, reloading

void TMainChildForm::watchFile(const QString& path)
{
    const QString wanted = QDir::isAbsolutePath(path) ? path : QString();
    if (wanted == watchedPath_)
        return;
    platform::FileWatcher& watcher = frame_->fileWatcher();
    if (!watchedPath_.isEmpty())
        watcher.unwatch(watchedPath_);
    watchedPath_ = wanted;
    if (!watchedPath_.isEmpty())
        watcher.watch(watchedPath_);
}

void TMainChildForm::rememberFile()
{
    watchFile(caption_);
    knownFile_ = toldFile_ = QDir::isAbsolutePath(caption_) ? platform::fileIdentityOf(caption_) : platform::FileIdentity{};
}

bool TMainChildForm::fileVanished() const
{
    // The user was told that the file is gone, and that closing offers to save the text;
    // nothing else (a folder, say) has taken its name.
    return knownFile_.exists && !toldFile_.exists && QDir::isAbsolutePath(caption_) &&
           !QFileInfo::exists(caption_) && !QFileInfo(caption_).isSymLink() &&
           platform::isDirectory(platform::directoryPart(caption_));
}

void TMainChildForm::rememberFailedWrite(const QString& fileName)
{
    // A write in place that failed has put the old bytes back: what changed was our doing.
    if (fileName == caption_ && knownFile_.exists)
        knownFile_ = toldFile_ = platform::fileIdentityOf(caption_);
}

bool TMainChildForm::hasUntoldOutsideChange() const
{
    return QDir::isAbsolutePath(caption_) &&
           outsideChangeOf(toldFile_, platform::fileIdentityOf(caption_)) != OutsideChange::None;
}

bool TMainChildForm::checkFileChangedOutside()
{
    if (!QDir::isAbsolutePath(caption_))
        return false;
    const platform::FileIdentity now = platform::fileIdentityOf(caption_);
    const OutsideChange change = outsideChangeOf(toldFile_, now);
    if (change == OutsideChange::None)
        return false;
    // Told before the box is up, so that a look while it shows does not ask again.
    toldFile_ = now;
    auto& messages = platform::MessageBoxService::current();
    const QString caption = outsideChangeCaption(change);
    if (change == OutsideChange::Vanished) {
        messages.show(caption, outsideChangeText(change, caption_, RichEdit->TextModified()),
                      platform::MsgIcon::Question, platform::MsgButtons::Ok);
        // The text exists only here now: closing offers to save it.
        RichEdit->setTextModified(true);
        UpdateDocumentState(10);
        return true;
    }
    const bool modified = RichEdit->TextModified();
    const platform::MsgResult answer =
        messages.show(caption, outsideChangeText(change, caption_, modified), platform::MsgIcon::Question,
                      platform::MsgButtons::YesNo, modified ? std::optional(platform::MsgResult::No) : std::nullopt);
    if (answer == platform::MsgResult::Yes)
        reloadFile();
    return true;
}

void TMainChildForm::reloadFile()
{
    const int line = RichEdit->CaretLine();
    {
        platform::BusyCursor busy;
        setStatusSimpleText(QStringLiteral("Datei wird eingelesen..."));
        struct StatusRestore {
            TMainChildForm* self;
            ~StatusRestore() { self->setStatusSimplePanel(false); }
        } restore{this};
        RichEdit->Lines().ReloadTextFile(caption_);
    }
    RichEdit->setTextModified(false);
    UpdateDocumentState(11);
    RichEdit->setCaretLine(std::min(line, std::max(0, RichEdit->Lines().LineCount() - 1)));
    rememberFile();
    fileHoldsTheText(caption_);
}

void TMainChildForm::fileHoldsTheText(const QString& fileName)
{
    // The file now holds the text: it is the new base, and the journal has done its work.
    baseStamp_ = platform::fileStamp(fileName);
    recoveredChangedOutside_ = false;
    if (journal_)
        journal_->discard();
    fileIsSource_ = true;
}

bool TMainChildForm::mayOverwrite(const QString& fileName)
{
    if (fileName != caption_ || !QDir::isAbsolutePath(caption_))
        return true;
    const platform::FileIdentity now = platform::fileIdentityOf(fileName);
    if (!changedSinceLoading(knownFile_, now))
        return true;
    toldFile_ = now;  // this change has been told
    const QString text = overwriteQuestionText(fileName, now.isLink && !knownFile_.isLink ? now : platform::FileIdentity{});
    return platform::MessageBoxService::current().show(QStringLiteral("Datei geändert"), text,
                                                       platform::MsgIcon::Question, platform::MsgButtons::YesNo,
                                                       platform::MsgResult::No) == platform::MsgResult::Yes;
}
