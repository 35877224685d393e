#include "framefixture.h"
#include "platform/journalfile.h"
#include "recovery/journal.h"

#include <QDir>
#include <QFile>

namespace {

// A frame that leaves journals behind as a killed one would, and a new one that finds them.
class RecoveryTest : public FrameTest {
public:
    QString folder() const { return dir.file(QStringLiteral("recovery")) + QLatin1Char('/'); }
    QStringList journals() const { return platform::filesIn(folder(), QStringLiteral("journal-"), QStringLiteral(".vnj")); }
    recovery::JournalStore& store() { return recovery::JournalStore::instance(); }

    // Every journal on the disk, then the frame goes as a killed process goes: no question,
    // journals kept and no longer locked.
    void crash()
    {
        store().flushAll();
        for (TMainChildForm* child : frame->documents())
            child->RichEdit->setTextModified(false);
        frame.reset();
        store().drain();
        frame = std::make_unique<TMainForm>();
        frame->show();
        QApplication::processEvents();
    }
    QString text(TMainChildForm* child) const { return QString::fromLatin1(child->RichEdit->Lines().Text()); }
    QString question(int count) const
    {
        return QStringLiteral("Varnotex wurde zuletzt nicht ordnungsgemäß beendet.\r"
                              "Ungesicherte Änderungen an %1 Dokument(en) sind erhalten geblieben.\r"
                              "Jetzt wiederherstellen ?")
            .arg(count);
    }
};

TEST_F(RecoveryTest, JaBringsBackEveryTextModifiedAndTheFileOnTheCommandLineOpensOnce)
{
    TMainChildForm* untitled = newDocument();
    type(untitled, QStringLiteral("neu"));
    const QString path = dir.write(QStringLiteral("a.txt"), "eins\r\nzwei\n");
    TMainChildForm* file = openFile(QStringLiteral("a.txt"), "eins\r\nzwei\n");
    type(file, QStringLiteral("Hallo "));
    crash();
    ASSERT_EQ(journals().size(), 2);

    fakes.messages.answers = {platform::MsgResult::Yes};
    Globals::Settings().FirstActivation = true;
    frame->setCommandLine({path});
    frame->OnActivate();
    QApplication::processEvents();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Wiederherstellung"));
    EXPECT_EQ(lastMessage().text, question(2));
    EXPECT_EQ(lastMessage().icon, platform::MsgIcon::Question);
    EXPECT_EQ(lastMessage().buttons, platform::MsgButtons::YesNoCancel);

    ASSERT_EQ(frame->documentCount(), 2) << "the file named on the command line opens once";
    QStringList captions;
    for (TMainChildForm* child : frame->documents()) {
        captions << child->caption();
        EXPECT_TRUE(child->RichEdit->TextModified());
        if (child->caption() == path) {
            EXPECT_EQ(text(child), QStringLiteral("Hallo eins\rzwei\r"));
            EXPECT_FALSE(child->recoveredChangedOutside());
            EXPECT_EQ(child->baseFileStamp(), platform::fileStamp(path));
        } else {
            EXPECT_EQ(text(child), QStringLiteral("neu"));
        }
    }
    captions.sort();
    EXPECT_EQ(captions, QStringList({path, QStringLiteral("<Unbenannt>")}));
    TMainChildForm* active = frame->activeDocument();
    ASSERT_TRUE(active);
    EXPECT_EQ(panel(active, 1), QStringLiteral("Modifiziert"));

    // The old journals went once the new ones held the texts; saving ends the file's journal.
    store().drain();
    ASSERT_EQ(journals().size(), 2);
    for (TMainChildForm* child : frame->documents()) {
        if (child->caption() == path) {
            ASSERT_TRUE(child->SaveDocument(path));
        }
    }
    store().drain();
    EXPECT_EQ(TestDir::read(path), QByteArray("Hallo eins\r\nzwei\n"));
    EXPECT_EQ(journals().size(), 1);
}

TEST_F(RecoveryTest, AFileChangedOrGoneSinceItsBaseCountsAsChangedOutside)
{
    const QString a = dir.write(QStringLiteral("a.txt"), "alt\r\n");
    const QString b = dir.write(QStringLiteral("b.txt"), "alt\r\n");
    type(openFile(QStringLiteral("a.txt"), "alt\r\n"), QStringLiteral("x"));
    frame->OpenDocument(b);
    type(frame->activeDocument(), QStringLiteral("y"));
    crash();
    dir.write(QStringLiteral("a.txt.new"), "von anderem Programm\r\n");
    ASSERT_EQ(platform::renameDurably(dir.file(QStringLiteral("a.txt.new")), a), 0);
    QFile::remove(b);

    fakes.messages.answers = {platform::MsgResult::Yes};
    frame->OfferRecovery();
    ASSERT_EQ(frame->documentCount(), 2);
    for (TMainChildForm* child : frame->documents()) {
        EXPECT_TRUE(child->recoveredChangedOutside()) << child->caption().toStdString();
        EXPECT_EQ(text(child), child->caption() == a ? QStringLiteral("xalt\r") : QStringLiteral("yalt\r"));
    }
    // Saving the replaced one asks before it writes over the other program's file; the
    // vanished one is written back under its name by the close prompt's Ja.
    TMainChildForm* replaced = frame->documents()[0]->caption() == a ? frame->documents()[0] : frame->documents()[1];
    fakes.messages.answers = {platform::MsgResult::No};
    replaced->MainMenu_Datei_Speichern_OnClick();
    ASSERT_FALSE(fakes.messages.shown.isEmpty());
    EXPECT_EQ(fakes.messages.shown.last().caption, QStringLiteral("Datei geändert"));
    EXPECT_EQ(TestDir::read(a), QByteArray("von anderem Programm\r\n"));
    // Each close prompt's Ja, and Ja to writing over the other program's file.
    fakes.messages.answers = {platform::MsgResult::Yes, platform::MsgResult::Yes, platform::MsgResult::Yes};
    EXPECT_TRUE(frame->queryCloseDocuments());
    EXPECT_EQ(TestDir::read(a), QByteArray("xalt\r\n"));
    EXPECT_EQ(TestDir::read(b), QByteArray("yalt\r\n"));
}

TEST_F(RecoveryTest, NeinDeletesAbbrechenKeepsAndADamagedJournalIsNamedAndKept)
{
    type(newDocument(), QStringLiteral("abc"));
    crash();
    const QString damaged = dir.write(QStringLiteral("recovery/journal-1-1-0.vnj"), "VNXJRNL1 kaputt");
    const QString backup = dir.write(QStringLiteral("recovery/save-backup-a.txt"), "fremd");
    ASSERT_EQ(journals().size(), 2);

    fakes.messages.answers = {platform::MsgResult::Ok, platform::MsgResult::Cancel};
    EXPECT_TRUE(frame->OfferRecovery().isEmpty());
    ASSERT_EQ(shownCount(), 2);
    EXPECT_EQ(fakes.messages.shown[0].caption, QStringLiteral("Fehler: Wiederherstellung"));
    EXPECT_EQ(fakes.messages.shown[0].text,
              QStringLiteral("Die Wiederherstellungsdatei \"%1\" ist beschädigt und wird übersprungen.\r"
                             "Sie bleibt erhalten.")
                  .arg(damaged));
    EXPECT_EQ(fakes.messages.shown[1].text, question(1));
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(journals().size(), 2) << "Abbrechen keeps them for the next start";

    fakes.messages.answers = {platform::MsgResult::Ok, platform::MsgResult::No};
    EXPECT_TRUE(frame->OfferRecovery().isEmpty());
    EXPECT_EQ(frame->documentCount(), 0);
    EXPECT_EQ(journals(), QStringList({QStringLiteral("journal-1-1-0.vnj")})) << "Nein deletes; the damaged one stays";
    EXPECT_TRUE(QFile::exists(backup));
}

TEST_F(RecoveryTest, ARunningInstancesJournalsAreNeverOffered)
{
    TMainChildForm* child = newDocument();
    type(child, QStringLiteral("laeuft"));
    store().flushAll();
    ASSERT_EQ(journals().size(), 1);
    // This frame's own journal is locked while its window lives: another start finds nothing.
    EXPECT_TRUE(frame->OfferRecovery().isEmpty());
    EXPECT_EQ(shownCount(), 0);
    EXPECT_EQ(frame->documentCount(), 1);
}

TEST_F(RecoveryTest, SwitchedOffNothingIsWrittenOrOffered)
{
    Globals::Settings().Recovery = false;
    frame.reset();
    frame = std::make_unique<TMainForm>();
    frame->show();
    TMainChildForm* child = newDocument();
    EXPECT_EQ(child->journal(), nullptr);
    type(child, QStringLiteral("abc"));
    store().flushAll();
    EXPECT_TRUE(journals().isEmpty());
}

TEST_F(RecoveryTest, NeinInTheClosePromptDeletesTheJournal)
{
    TMainChildForm* child = newDocument();
    type(child, QStringLiteral("abc"));
    store().flushAll();
    ASSERT_EQ(journals().size(), 1);
    fakes.messages.answers = {platform::MsgResult::No};
    EXPECT_TRUE(child->OnCloseQuery());
    store().drain();
    EXPECT_TRUE(journals().isEmpty());
}

}  // namespace

// Reading the file again leaves nothing to recover: the text is the file's.
TEST_F(RecoveryTest, AReloadEndsTheJournal)
{
    TMainChildForm* child = openFile(QStringLiteral("a.txt"), "alt\r\n");
    type(child, QStringLiteral("x"));
    store().flushAll();
    store().drain();
    ASSERT_EQ(journals().size(), 1);
    dir.write(QStringLiteral("a.txt"), "neu\r\n");
    child->reloadFile();
    crash();
    EXPECT_TRUE(journals().isEmpty());
    frame->OfferRecovery();
    EXPECT_EQ(shownCount(), 0);
}
