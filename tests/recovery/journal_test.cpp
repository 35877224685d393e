#include "document/documentjournal.h"
#include "editor/textdocument.h"
#include "platform/clock.h"
#include "platform/journalfile.h"
#include "recovery/journal.h"
#include "recovery/journalformat.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <sys/stat.h>

namespace {

using editor::BreakKind;
using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextChange;
using editor::TextDocument;
using editor::TextEncoding;

struct State {
    QByteArray text;
    QByteArray kinds;
    bool operator==(const State&) const = default;
};

State stateOf(const TextBuffer& buffer) { return {buffer.text(), buffer.kindsIn(0, buffer.length())}; }

TextBuffer loaded(const QByteArray& fileBytes)
{
    TextBuffer buffer;
    buffer.beginLoad(fileBytes.size());
    buffer.appendRaw(fileBytes.constData(), fileBytes.size());
    buffer.finishLoad();
    return buffer;
}

// A document edited at random the ways a user edits, every edit journaled as the document
// window journals it; states holds the text after the base and after every edit.
struct JournaledSession {
    TextDocument doc;
    QByteArray journal;
    std::vector<State> states;
    qint64 baseEnd = 0;  // where the base record ends

    JournaledSession(TextEncoding encoding, unsigned seed, int steps)
    {
        const QByteArray file = encoding == TextEncoding::Utf8
                                    ? QByteArray("Grüße\r\nzweite Zeile\nd\xE2\x82\xACitte\rvierte\r\n")
                                    : QByteArray("Stra\xDF" "e\r\nzweite\nd\x80ritte\rvierte\r\n");
        doc.adopt(loaded(file), encoding);
        recovery::JournalHeader header;
        header.pid = 4711;
        header.utf8 = encoding == TextEncoding::Utf8;
        header.caption = QStringLiteral("/tmp/Brief ä.txt");
        header.baseFile = {true, 1, 2, 3, 4, 5};
        const std::shared_ptr<recovery::Snapshot> base = journalSnapshotOf(doc.buffer(), header);
        QByteArray head, tail;
        recovery::encodeBase(base->text, base->kinds, &head, &tail);
        journal = recovery::encodeHeader(header) + head + base->text + base->kinds + tail;
        baseEnd = journal.size();
        states.push_back(stateOf(doc.buffer()));

        std::mt19937 rng(seed);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        const bool utf8 = encoding == TextEncoding::Utf8;
        const QList<QByteArray> words = utf8 ? QList<QByteArray>{"a", "ß", "\xE2\x82\xAC", "x y", "\r", "\n", "\r\n", "🙂"}
                                             : QList<QByteArray>{"a", "\xDF", "\x80", "x y", "\r", "\n", "\r\n", "\x9D"};
        auto charPos = [&](int chars) { return doc.bytePos(chars); };
        for (int step = 0; step < steps; ++step) {
            const int chars = doc.charLength();
            const int kind = pick(10);
            TextChange change;
            bool changed = true;
            if (kind <= 2) {  // typing at the caret or over a selection
                const int a = charPos(pick(chars + 1));
                doc.setSelection(a, kind == 2 ? charPos(std::min(chars, doc.charPos(a) + pick(4))) : a);
                change = doc.replaceSelection(words[pick(int(words.size()))], EditOrigin::Typing);
            } else if (kind == 3) {  // paste of several lines
                QByteArray text;
                for (int i = pick(6); i >= 0; --i)
                    text += words[pick(int(words.size()))];
                doc.setSelection(charPos(pick(chars + 1)), charPos(pick(chars + 1)));
                change = doc.replaceSelection(text, EditOrigin::Command);
            } else if (kind == 4 && chars > 0) {  // backspace or delete
                const int at = pick(chars);
                change = doc.replace(charPos(at), charPos(at + 1) - charPos(at), {},
                                     pick(2) ? EditOrigin::Backspace : EditOrigin::DeleteForward);
            } else if (kind == 5 || kind == 6) {
                changed = doc.undo(&change);
            } else if (kind == 7) {
                changed = doc.redo(&change);
            } else if (kind == 8 && pick(3) == 0) {  // the whole text replaced
                change = doc.replace(0, doc.length(), utf8 ? "neu\r\nganz ü\n" : "neu\r\nganz \xFC\n", EditOrigin::Command);
            } else {
                changed = false;
            }
            if (!changed)
                continue;
            journal += recovery::encodeEdit(journalEditOf(doc.buffer(), change));
            states.push_back(stateOf(doc.buffer()));
        }
    }
};

TEST(RecoveryJournal, RandomEditsReplayToTheDocument)
{
    for (const TextEncoding encoding : {TextEncoding::Windows1252, TextEncoding::Utf8}) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            JournaledSession session(encoding, seed, 300);
            QString problem;
            const std::optional<recovery::JournalContents> contents = recovery::readJournal(session.journal, &problem);
            ASSERT_TRUE(contents) << problem.toStdString();
            EXPECT_EQ(contents->validBytes, session.journal.size());
            EXPECT_EQ(contents->header.caption, QStringLiteral("/tmp/Brief ä.txt"));
            EXPECT_EQ(contents->header.utf8, encoding == TextEncoding::Utf8);
            EXPECT_EQ(contents->header.baseFile, (platform::FileStamp{true, 1, 2, 3, 4, 5}));
            // The program's replay and the plain one both give the document's text, breaks and kinds.
            const TextBuffer replayed = replayJournal(*contents);
            ASSERT_EQ(stateOf(replayed), session.states.back()) << "seed " << seed;
            State plain;
            recovery::replayPlain(*contents, &plain.text, &plain.kinds);
            ASSERT_EQ(plain, session.states.back()) << "seed " << seed;
            // Written to a file exactly as it was read.
            QByteArray written;
            replayed.write([&](const char* data, qint64 size) {
                written.append(data, size);
                return true;
            });
            QByteArray expected;
            session.doc.buffer().write([&](const char* data, qint64 size) {
                expected.append(data, size);
                return true;
            });
            EXPECT_EQ(written, expected);
        }
    }
}

TEST(RecoveryJournal, CutAnywhereReplaysToAStateTheDocumentHad)
{
    for (const TextEncoding encoding : {TextEncoding::Windows1252, TextEncoding::Utf8}) {
        JournaledSession session(encoding, 7, 60);
        ASSERT_GT(session.states.size(), 20u);
        for (qsizetype cut = 0; cut <= session.journal.size(); ++cut) {
            const std::optional<recovery::JournalContents> contents = recovery::readJournal(session.journal.first(cut));
            if (!contents) {
                // Only a file without its whole base is refused: it was never renamed into place.
                ASSERT_LT(cut, session.baseEnd);
                continue;
            }
            ASSERT_GE(cut, session.baseEnd);
            ASSERT_LE(contents->edits.size() + 1, session.states.size());
            State state;
            recovery::replayPlain(*contents, &state.text, &state.kinds);
            ASSERT_EQ(state, session.states[contents->edits.size()]) << "cut at " << cut;
        }
    }
}

TEST(RecoveryJournal, DamagedRecordEndsTheJournalThere)
{
    JournaledSession session(TextEncoding::Windows1252, 3, 40);
    const std::optional<recovery::JournalContents> whole = recovery::readJournal(session.journal);
    ASSERT_TRUE(whole);
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = session.journal;
        const qsizetype at = qsizetype(rng() % quint32(bytes.size()));
        bytes[at] = char(bytes[at] ^ (1 + rng() % 255));
        const std::optional<recovery::JournalContents> contents = recovery::readJournal(bytes);
        if (at < session.baseEnd) {
            EXPECT_FALSE(contents) << "a damaged header or base at " << at;
            continue;
        }
        ASSERT_TRUE(contents);
        EXPECT_LE(contents->validBytes, at);
        State state;
        recovery::replayPlain(*contents, &state.text, &state.kinds);
        EXPECT_EQ(state, session.states[contents->edits.size()]);
    }
    EXPECT_FALSE(recovery::readJournal(QByteArray("not a journal at all")));
    EXPECT_FALSE(recovery::readJournal(QByteArray()));
}

// ---- Journals on the disk ----

// Runs deferred work when the test says so, never by the clock.
class ManualTimers : public platform::TimerService {
public:
    struct Due {
        int ms;
        std::function<void()> callback;
    };
    std::vector<Due> due;
    void singleShot(int ms, QObject*, std::function<void()> callback) override { due.push_back({ms, std::move(callback)}); }
    void runAll()
    {
        std::vector<Due> now;
        now.swap(due);
        for (Due& d : now)
            d.callback();
    }
};

struct DiskFixture : ::testing::Test {
    TestDir dir;
    QString folder = dir.path() + QStringLiteral("/state/varnotex/recovery/");
    recovery::JournalStore store;
    ManualTimers timers;
    platform::ScopedService<platform::TimerService> timerInstalled{&timers};
    ScriptedMessageBox messages;
    platform::ScopedService<platform::MessageBoxService> messagesInstalled{&messages};
    TextDocument doc;

    DiskFixture() { store.setFolder(folder); }
    ~DiskFixture() override { platform::setJournalFaultHook(nullptr); }

    std::unique_ptr<recovery::Journal> journal()
    {
        return std::make_unique<recovery::Journal>(
            [this] {
                recovery::JournalHeader header;
                header.caption = QStringLiteral("<Unbenannt>");
                return journalSnapshotOf(doc.buffer(), header);
            },
            store);
    }
    void type(recovery::Journal& journal, const QByteArray& text)
    {
        const TextChange change = doc.replaceSelection(text, EditOrigin::Typing);
        const recovery::JournalEdit edit = journalEditOf(doc.buffer(), change);
        journal.changed(&edit);
    }
    QStringList journals() const { return platform::filesIn(folder, QStringLiteral("journal-"), QString()); }
    State onDisk(const QString& path)
    {
        const std::optional<recovery::JournalContents> contents = recovery::readJournal(TestDir::read(path));
        if (!contents)
            return {"<damaged>", {}};
        return stateOf(replayJournal(*contents));
    }
};

TEST_F(DiskFixture, EditsReachThePrivateFolderWhenTheTimerRunsAndADiscardDeletesThem)
{
    auto j = journal();
    EXPECT_TRUE(journals().isEmpty());
    type(*j, "Hallo");
    ASSERT_EQ(timers.due.size(), 1u);
    EXPECT_LE(timers.due[0].ms, 1000);
    type(*j, " Welt");
    EXPECT_EQ(timers.due.size(), 1u) << "one flush however fast the typing";
    timers.runAll();
    store.drain();
    ASSERT_EQ(journals().size(), 1);
    const QString path = folder + journals().front();
    EXPECT_EQ(onDisk(path), stateOf(doc.buffer()));
    type(*j, "\r\nzwei");
    timers.runAll();
    store.drain();
    EXPECT_EQ(onDisk(path), stateOf(doc.buffer()));
    EXPECT_EQ(journals().size(), 1) << "edits are appended to the same file";

    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Held by this process: another start never takes it.
    platform::JournalFile::Opened opened{};
    EXPECT_FALSE(platform::JournalFile::openExisting(path, &opened));
    EXPECT_EQ(opened, platform::JournalFile::Opened::Busy);

    j->discard();
    store.drain();
    EXPECT_TRUE(journals().isEmpty());
    // A change after the discard starts a new journal.
    type(*j, "!");
    timers.runAll();
    store.drain();
    ASSERT_EQ(journals().size(), 1);
    EXPECT_EQ(onDisk(folder + journals().front()), stateOf(doc.buffer()));
}

TEST_F(DiskFixture, AJournalOutlivesItsWindowAndIsFreeOnceItIsGone)
{
    auto j = journal();
    type(*j, "bleibt");
    timers.runAll();
    store.drain();
    type(*j, " erhalten");  // pending when the window goes: written as it closes
    j.reset();
    store.drain();
    ASSERT_EQ(journals().size(), 1);
    const QString path = folder + journals().front();
    EXPECT_EQ(onDisk(path), stateOf(doc.buffer()));
    platform::JournalFile::Opened opened{};
    EXPECT_TRUE(platform::JournalFile::openExisting(path, &opened));
    EXPECT_EQ(opened, platform::JournalFile::Opened::Ok);
}

TEST_F(DiskFixture, FlushAllPutsPendingEditsOnTheDiskAtOnce)
{
    auto a = journal();
    type(*a, "eins");
    store.flushAll();
    type(*a, " zwei");
    store.flushAll();  // as a signal or the session's end does, without waiting for the timer
    ASSERT_EQ(journals().size(), 1);
    EXPECT_EQ(onDisk(folder + journals().front()), stateOf(doc.buffer()));
}

TEST_F(DiskFixture, AFailedWriteIsToldOnceAndTheNextGoodWriteIsWhole)
{
    auto j = journal();
    type(*j, "vor dem Fehler");
    timers.runAll();
    store.drain();
    ASSERT_EQ(journals().size(), 1);
    const QString path = folder + journals().front();

    platform::setJournalFaultHook([](const QString&) { return ENOSPC; });
    messages.answers = {platform::MsgResult::Ok};
    type(*j, " voll");
    timers.runAll();
    store.drain();
    store.deliverFailures();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Fehler: Wiederherstellung"));
    // The reason is German, whatever locales the system has.
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Die Wiederherstellungsdaten können nicht geschrieben werden:\r"
                                                     "Auf dem Datenträger ist kein Platz mehr frei\r"
                                                     "Ungesicherte Änderungen gehen bei einem Absturz verloren."));
    EXPECT_EQ(messages.shown[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(messages.shown[0].buttons, platform::MsgButtons::Ok);
    // The file still replays, to the state before the failure.
    EXPECT_EQ(onDisk(path).text, QByteArray("vor dem Fehler"));

    type(*j, " noch");
    timers.runAll();
    store.drain();
    store.deliverFailures();
    EXPECT_EQ(messages.shown.size(), 1) << "one message per run";

    platform::setJournalFaultHook(nullptr);
    type(*j, " wieder gut");
    timers.runAll();
    store.drain();
    EXPECT_EQ(onDisk(path), stateOf(doc.buffer()));
    EXPECT_TRUE(j->hasFile());
}

TEST_F(DiskFixture, AFolderThatIsNotPrivateIsNeverUsed)
{
    // Open to others: refused, for root too (judged by the mode bits).
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_FALSE(platform::prepareRecoveryFolder(folder).isEmpty());
    auto j = journal();
    messages.answers = {platform::MsgResult::Ok};
    type(*j, "x");
    timers.runAll();
    store.drain();
    store.deliverFailures();
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(journals().isEmpty());

    // A link in its place: refused as well.
    QDir(folder).removeRecursively();
    const QString elsewhere = dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ::chmod(QFile::encodeName(elsewhere).constData(), 0700);
    ASSERT_TRUE(QFile::link(elsewhere, folder.chopped(1)));
    EXPECT_FALSE(platform::prepareRecoveryFolder(folder).isEmpty());

    // Made afresh: private.
    QFile::remove(folder.chopped(1));
    EXPECT_TRUE(platform::prepareRecoveryFolder(folder).isEmpty());
}

TEST_F(DiskFixture, ARecoveredJournalGoesOnlyOnceTheNewOneHoldsTheText)
{
    // A journal an earlier run left.
    doc.adopt(loaded("alt"));
    auto first = journal();
    type(*first, " und neu");
    timers.runAll();
    store.drain();
    first.reset();
    store.drain();
    ASSERT_EQ(journals().size(), 1);
    const QString oldPath = folder + journals().front();
    platform::JournalFile::Opened opened{};
    std::unique_ptr<platform::JournalFile> old = platform::JournalFile::openExisting(oldPath, &opened);
    ASSERT_TRUE(old);

    // The new window cannot write: the old journal must stay.
    platform::setJournalFaultHook([](const QString&) { return EROFS; });
    messages.answers = {platform::MsgResult::Ok};
    auto second = journal();
    second->changed(nullptr);
    second->flush();
    second->replaceAfterBase(std::move(old));
    store.drain();
    store.deliverFailures();
    EXPECT_TRUE(QFile::exists(oldPath));

    platform::setJournalFaultHook(nullptr);
    old = platform::JournalFile::openExisting(oldPath, &opened);
    ASSERT_TRUE(old);
    second->changed(nullptr);
    second->flush();
    second->replaceAfterBase(std::move(old));
    store.drain();
    EXPECT_FALSE(QFile::exists(oldPath));
    ASSERT_EQ(journals().size(), 1);
    EXPECT_EQ(onDisk(folder + journals().front()), stateOf(doc.buffer()));
}

TEST(RecoveryFileStamp, NamesTheFileAsStatSeesIt)
{
    TestDir dir;
    const QString path = dir.write(QStringLiteral("a.txt"), "eins");
    const platform::FileStamp a = platform::fileStamp(path);
    EXPECT_TRUE(a.exists);
    EXPECT_EQ(a.size, 4);
    EXPECT_NE(a.inode, 0u);
    // Replaced by another program (a new file renamed over it): another stamp.
    const QString other = dir.write(QStringLiteral("b.txt"), "eins");
    ASSERT_EQ(platform::renameDurably(other, path), 0);
    EXPECT_NE(platform::fileStamp(path), a);
    EXPECT_FALSE(platform::fileStamp(dir.file(QStringLiteral("gone.txt"))).exists);
}

}  // namespace

namespace {

TEST_F(DiskFixture, ABaseFromTheLoadedFileCarriesTheEditsSinceAndAChangedFileFallsBackToTheText)
{
    TestDir files;
    for (const bool changedMeanwhile : {false, true}) {
        const QString path = files.write(QStringLiteral("a.txt"), "\xEF\xBB\xBF" "eins\r\nzwei\ndrei");
        doc.adopt(loaded("eins\r\nzwei\ndrei"), TextEncoding::Utf8, true);
        auto j = journal();
        recovery::JournalHeader header;
        header.utf8 = true;
        header.byteOrderMark = true;
        header.caption = path;
        j->setSource(journalSourceOf(path, platform::fileStamp(path), header));
        doc.setSelection(4, 4);
        type(*j, "!");
        type(*j, "\r\nneu");
        if (changedMeanwhile) {
            const QString other = files.write(QStringLiteral("b.txt"), "ganz anders");
            ASSERT_EQ(platform::renameDurably(other, path), 0);
        }
        timers.runAll();
        store.drain();
        // A base that could not come from the file comes from the text, once the loop turns.
        QCoreApplication::processEvents();
        store.drain();
        ASSERT_EQ(journals().size(), 1);
        EXPECT_EQ(onDisk(folder + journals().front()), stateOf(doc.buffer())) << changedMeanwhile;
        EXPECT_EQ(messages.shown.size(), 0);
        j->discard();
        store.drain();
    }
}

}  // namespace

namespace {

TEST(RecoverySource, TheFileReadAsLoadingReadsIt)
{
    TestDir dir;
    const QList<QByteArray> files = {"", "a", "\r", "\n", "\r\n", "\n\r", "\r\r\n\n", "x\r\ny\nz\rw", "ende\r",
                                     QByteArray("nul\0mitten\r\n", 12), "\xEF\xBB\xBF" "mit Marke\r\n"};
    for (const QByteArray& bytes : files) {
        const QString path = dir.write(QStringLiteral("f.txt"), bytes);
        const bool mark = bytes.startsWith("\xEF\xBB\xBF");
        recovery::JournalHeader header;
        header.byteOrderMark = mark;
        const std::shared_ptr<recovery::Snapshot> source = journalSourceOf(path, platform::fileStamp(path), header);
        State state;
        ASSERT_TRUE(source->load(&state.text, &state.kinds));
        EXPECT_EQ(state, stateOf(loaded(mark ? bytes.mid(3) : bytes))) << bytes.toStdString();
    }
    // Another file under the name: no text from it.
    const QString path = dir.write(QStringLiteral("g.txt"), "alt");
    const std::shared_ptr<recovery::Snapshot> source = journalSourceOf(path, platform::fileStamp(path), {});
    const QString other = dir.write(QStringLiteral("h.txt"), "neu");
    ASSERT_EQ(platform::renameDurably(other, path), 0);
    State state;
    EXPECT_FALSE(source->load(&state.text, &state.kinds));
}

}  // namespace
