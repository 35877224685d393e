// The frame's part of recovery: offering the journals of an earlier run at start, and
// keeping every journal when the session or a signal ends the program.
#include "app/mainform.h"

#include "document/mainchildform.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "platform/journalfile.h"
#include "platform/messagebox.h"
#include "platform/termination.h"
#include "recovery/journal.h"
#include "settings/globals.h"

#include <QDir>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QSessionManager>

#include <vector>

namespace {

struct FoundJournal {
    std::unique_ptr<platform::JournalFile> file;
    recovery::JournalContents contents;
};

// Every journal is on the disk; then the program ends without a question.
void keepJournalsAndEnd()
{
    recovery::JournalStore::instance().flushAll();
    platform::endProcessNow(0);
}

}  // namespace

void installRecoveryShutdown()
{
    platform::watchTerminationSignals([](int) { keepJournalsAndEnd(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QGuiApplication::commitDataRequest, app, [](QSessionManager&) { keepJournalsAndEnd(); });
}

QStringList TMainForm::OfferRecovery()
{
    if (!Globals::Settings().Recovery)
        return {};
    const QString folder = recovery::JournalStore::instance().folder();
    if (!QDir(folder).exists() || !platform::prepareRecoveryFolder(folder).isEmpty())
        return {};
    auto& messages = platform::MessageBoxService::current();
    std::vector<FoundJournal> found;
    for (const QString& name : platform::filesIn(folder, QStringLiteral("journal-"), QStringLiteral(".vnj"))) {
        const QString path = folder + name;
        platform::JournalFile::Opened opened = platform::JournalFile::Opened::Failed;
        std::unique_ptr<platform::JournalFile> file = platform::JournalFile::openExisting(path, &opened);
        if (!file)
            continue;  // a running instance holds it, or it is not ours
        QByteArray bytes;
        std::optional<recovery::JournalContents> contents;
        if (file->readAll(&bytes))
            contents = recovery::readJournal(bytes);
        if (!contents) {
            // Kept for the user: nothing is ever deleted that could not be read.
            messages.show(QStringLiteral("Fehler: Wiederherstellung"),
                          QStringLiteral("Die Wiederherstellungsdatei \"%1\" ist beschädigt und wird übersprungen.\r"
                                         "Sie bleibt erhalten.")
                              .arg(path),
                          platform::MsgIcon::Error, platform::MsgButtons::Ok);
            continue;
        }
        found.push_back(FoundJournal{std::move(file), std::move(*contents)});
    }
    if (found.empty())
        return {};
    const platform::MsgResult answer =
        messages.show(QStringLiteral("Wiederherstellung"),
                      QStringLiteral("Varnotex wurde zuletzt nicht ordnungsgemäß beendet.\r"
                                     "Ungesicherte Änderungen an %1 Dokument(en) sind erhalten geblieben.\r"
                                     "Jetzt wiederherstellen ?")
                          .arg(found.size()),
                      platform::MsgIcon::Question, platform::MsgButtons::YesNoCancel);
    if (answer == platform::MsgResult::Cancel)
        return {};  // offered again at the next start
    if (answer == platform::MsgResult::No) {
        for (const FoundJournal& journal : found)
            platform::removeFile(journal.file->path());
        return {};
    }
    QStringList recovered;
    for (FoundJournal& journal : found) {
        const QString caption = journal.contents.header.caption;
        OpenRecoveredDocument(journal.contents, std::move(journal.file));
        if (Globals::IsDocumentFile(caption) || caption.startsWith(QLatin1Char('/')))
            recovered << caption;
    }
    return recovered;
}

TMainChildForm* TMainForm::OpenRecoveredDocument(const recovery::JournalContents& contents,
                                                 std::unique_ptr<platform::JournalFile> file)
{
    const QString caption =
        contents.header.caption.isEmpty() ? QStringLiteral("<Unbenannt>") : contents.header.caption;
    TMainChildForm* child = createDocumentWindow();
    child->setCaption(caption);
    child->adoptRecoveredText(contents, std::move(file));
    child->setStatusSimplePanel(false);
    ++DocumentCounter_;
    child->setTag(DocumentCounter_);
    byNumber_.insert(DocumentCounter_, child);
    addTab(DocumentCounter_, caption.startsWith(QLatin1Char('/')) ? platform::fileNamePart(caption) : caption);
    selectTabOf(DocumentCounter_);
    child->UpdateDocumentState(10);
    if (batch_ == 0)
        child->focusEditor();
    return child;
}
