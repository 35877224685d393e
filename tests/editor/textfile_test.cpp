#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "tests/editor/editortesting.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Loads the file into a fresh editor, saves it into another file and returns those bytes.
QByteArray roundTrip(const QByteArray& bytes, const QString& name = QStringLiteral("a.txt"))
{
    TestDir dir;
    const QString in = dir.write(name, bytes);
    TTextEditor editor;
    editor.Lines().LoadTextFile(in);
    const QString out = dir.file("out-" + name);
    editor.Lines().SaveTextFile(out);
    return TestDir::read(out);
}

// A device that delivers some bytes and then fails, as a disk read error would.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(QByteArray data, qint64 failAfter) : data_(std::move(data)), failAfter_(failAfter) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        if (pos_ >= failAfter_)
            return -1;
        const qint64 n = std::min({max, failAfter_ - pos_, qint64(data_.size()) - pos_});
        memcpy(out, data_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64 size) override { return pos_ + size > failAfter_ ? -1 : (pos_ += size, size); }

private:
    QByteArray data_;
    qint64 failAfter_;
    qint64 pos_ = 0;
};

}  // namespace

TEST(TextFileRoundTrip, EveryByteValueAndEveryBreakKindComeBackUnchanged)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(roundTrip(all), all);
    EXPECT_EQ(roundTrip("a\r\nb\r\nc\r\n"), QByteArray("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(roundTrip("a\nb\nc\n"), QByteArray("a\nb\nc\n"));
    EXPECT_EQ(roundTrip("a\rb\rc\r"), QByteArray("a\rb\rc\r"));
    EXPECT_EQ(roundTrip("a\r\nb\nc\r\n\r\rd"), QByteArray("a\r\nb\nc\r\n\r\rd"));
    EXPECT_EQ(roundTrip("no final break"), QByteArray("no final break"));
    EXPECT_EQ(roundTrip(""), QByteArray(""));
    EXPECT_EQ(roundTrip("{\\rtf1 plain}", "b.rtf"), QByteArray("{\\rtf1 plain}"));
}

TEST(TextFileRoundTrip, FourBytesMakeTwoLines)
{
    auto editor = makeEditor("x\r\ny");
    EXPECT_EQ(editor->Lines().LineCount(), 2);
    EXPECT_EQ(editor->Lines().TextLength(), 3);
    EXPECT_EQ(savedBytes(*editor), QByteArray("x\r\ny"));
    auto empty = makeEditor("");
    EXPECT_EQ(empty->Lines().LineCount(), 0);
}

TEST(TextFileRoundTrip, ASmallFileTakesLittleMemoryAndStillTakesTyping)
{
    // Hundreds of small notes open at once: each holds its bytes and a small gap, not a
    // block of a megabyte.
    auto editor = makeEditor("Notiz 1\r\nzweite Zeile\r\n");
    EXPECT_LT(editor->buffer().memoryUse(), 16 * 1024);
    editor->setSelectionStart(0);
    editor->setSelectionText(QByteArray(20000, 'x'));
    EXPECT_EQ(editor->Lines().TextLength(), 20000 + 21);
    EXPECT_EQ(editor->Lines().LineText(1), QByteArray("zweite Zeile"));
}

TEST(TextFileRoundTrip, TenMegabytesOfMixedLines)
{
    std::mt19937 rng(4711);
    QByteArray big;
    big.reserve(10 << 20);
    const char* breaks[] = {"\r\n", "\n", "\r"};
    while (big.size() < (10 << 20)) {
        const int len = int(rng() % 200);
        for (int i = 0; i < len; ++i)
            big.append(char(0x20 + rng() % 0xE0));
        big.append(breaks[rng() % 8 == 0 ? 1 + rng() % 2 : 0]);
    }
    EXPECT_TRUE(roundTrip(big) == big);
}

TEST(TextFileRoundTrip, AddedLinesTakeTheFirstBreakKind)
{
    auto lf = makeEditor("eins\nzwei\r\n");
    lf->setSelectionStart(lf->Lines().TextLength());
    lf->setSelectionText("drei\r\nvier");
    EXPECT_EQ(savedBytes(*lf), QByteArray("eins\nzwei\r\ndrei\nvier"));
    auto fresh = makeEditor();
    fresh->setSelectionText("a\nb");
    EXPECT_EQ(savedBytes(*fresh), QByteArray("a\r\nb"));
}

TEST(TextFileRoundTrip, SavingOverTheLoadedFileAndKeepingItsMode)
{
    TestDir dir;
    const QString path = dir.write("doc.txt", "alt\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    TTextEditor editor;
    editor.Lines().LoadTextFile(path);
    EXPECT_FALSE(editor.TextModified());
    editor.setSelectionStart(3);
    editor.setSelectionText("er");
    editor.Lines().SaveTextFile(path);
    EXPECT_EQ(TestDir::read(path), QByteArray("alter\r\n"));
    EXPECT_TRUE(editor.TextModified());  // saving leaves the flag alone
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    ASSERT_NE(editor.Lines().ActiveConverter(), nullptr);
}

TEST(TextFileErrors, MissingFileOrFolderCannotBeOpened)
{
    TestDir dir;
    auto editor = makeEditor("bleibt");
    const QString missing = dir.file("fehlt.txt");
    try {
        editor->Lines().LoadTextFile(missing);
        FAIL() << "no error";
    } catch (const platform::FileOpenError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Datei %1 kann nicht geöffnet werden").arg(missing));
    }
    EXPECT_THROW(editor->Lines().LoadTextFile(dir.path()), platform::FileOpenError);
    EXPECT_EQ(editor->Lines().Text(), QByteArray("bleibt"));
    EXPECT_EQ(editor->Lines().ActiveConverter(), nullptr);
}

TEST(TextFileErrors, AReadFailurePartWayLoadsNothing)
{
    auto editor = makeEditor("alter Text");
    editor->setSelectionStart(3);
    editor->setSelectionText("!");
    FailingDevice device(QByteArray(3 << 20, 'x'), 2 << 20);
    device.open(QIODevice::ReadOnly);
    try {
        editor->Lines().LoadTextStream(device);
        FAIL() << "no error";
    } catch (const platform::OutOfResourcesError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Das Laden des Streams ist mißlungen"));
    }
    EXPECT_EQ(editor->Lines().Text(), QByteArray("alt!er Text"));
    EXPECT_TRUE(editor->TextModified());
    EXPECT_TRUE(editor->UndoAvailable());
}

TEST(TextFileErrors, AStreamWriteFailureRaisesTheSaveError)
{
    auto editor = makeEditor(QByteArray(100000, 'a'));
    FailingDevice device({}, 5000);
    device.open(QIODevice::WriteOnly);
    try {
        editor->Lines().SaveTextStream(device);
        FAIL() << "no error";
    } catch (const platform::OutOfResourcesError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Das Speichern des Streams ist mißlungen"));
    }
}

TEST(TextFileErrors, AFullDiskLeavesTheOldFileIntact)
{
    TestDir dir;
    const QString path = dir.write("voll.txt", "alter Inhalt\r\n");
    auto editor = makeEditor(QByteArray(3 << 20, 'n'));
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    try {
        editor->Lines().SaveTextFile(path);
        platform::setWriteFaultHook({});
        FAIL() << "no error";
    } catch (const platform::OutOfResourcesError& e) {
        platform::setWriteFaultHook({});
        // The file's name and the reason in German.
        EXPECT_EQ(e.message(), QStringLiteral("Das Speichern des Streams ist mißlungen.\rDatei \"%1\": "
                                              "Auf dem Datenträger ist kein Platz mehr frei")
                                   .arg(path));
    }
    EXPECT_EQ(TestDir::read(path), QByteArray("alter Inhalt\r\n"));
    for (const auto& [error, reason] : {std::pair{EDQUOT, "Das Speicherkontingent (Quota) ist ausgeschöpft"},
                                        std::pair{EROFS, "Das Dateisystem ist schreibgeschützt"},
                                        std::pair{EIO, "Ein-/Ausgabefehler des Datenträgers"},
                                        std::pair{EACCES, "Keine Berechtigung zum Schreiben"}}) {
        static int fault;
        fault = error;
        platform::setWriteFaultHook([](const QString&) { return fault; });
        try {
            editor->Lines().SaveTextFile(path);
            ADD_FAILURE() << "no error";
        } catch (const platform::OutOfResourcesError& e) {
            EXPECT_TRUE(e.message().endsWith(QString::fromUtf8(reason))) << e.message().toStdString();
        }
        platform::setWriteFaultHook({});
    }
    EXPECT_EQ(TestDir::read(path), QByteArray("alter Inhalt\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary file left
    EXPECT_EQ(editor->Lines().ActiveConverter(), nullptr);
    // An empty text fails the same way rather than emptying the file.
    auto empty = makeEditor();
    platform::setWriteFaultHook([](const QString&) { return ENOSPC; });
    EXPECT_THROW(empty->Lines().SaveTextFile(path), platform::OutOfResourcesError);
    platform::setWriteFaultHook({});
    EXPECT_EQ(TestDir::read(path), QByteArray("alter Inhalt\r\n"));
}

TEST(TextFileErrors, ACreateFailureNamesTheFile)
{
    TestDir dir;
    auto editor = makeEditor("x");
    const QString badPath = dir.file("kein/ordner.txt");
    try {
        editor->Lines().SaveTextFile(badPath);
        FAIL() << "no error";
    } catch (const platform::FileCreateError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Datei %1 kann nicht erstellt werden").arg(badPath));
    }
}

TEST(TextFileErrors, ReadOnlyFolderAndFileRefuseTheSave)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    TestDir dir;
    QDir(dir.path()).mkdir("ro");
    const QString path = dir.write("ro/a.txt", "alt");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    ::chmod(QFile::encodeName(dir.file("ro")).constData(), 0555);
    auto editor = makeEditor("neu");
    EXPECT_THROW(editor->Lines().SaveTextFile(path), platform::FileCreateError);
    EXPECT_EQ(TestDir::read(path), QByteArray("alt"));
    ::chmod(QFile::encodeName(dir.file("ro")).constData(), 0755);
}

TEST(TextFileErrors, WriteProtectedFileRefusesTheSaveEvenForRoot)
{
    TestDir dir;
    const QString path = dir.write("geschuetzt.txt", "alt");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    auto editor = makeEditor("neu");
    try {
        editor->Lines().SaveTextFile(path);
        FAIL() << "no error";
    } catch (const platform::FileCreateError& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("Datei %1 kann nicht erstellt werden").arg(path));
    }
    EXPECT_EQ(TestDir::read(path), QByteArray("alt"));
}

TEST(TextFileErrors, FileBeyondTheSizeLimitIsRefusedBeforeReading)
{
    TestDir dir;
    const QString path = dir.write("gross.txt", "");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize((qint64(1) << 30) + 16));  // sparse: takes no room on disk
    }
    TTextEditor editor;
    editor.setSelectionText("bleibt");
    try {
        editor.Lines().LoadTextFile(path);
        FAIL() << "no error";
    } catch (const platform::AppError& error) {
        // The user learns that the file is too large, which file, and what the limit is.
        EXPECT_EQ(error.message(), QStringLiteral("Die Datei \"%1\" ist zu groß: 1.073.741.840 Bytes.\r"
                                                  "Der Editor kann Dateien bis 1.073.741.823 Bytes (1 GB) laden")
                                       .arg(path));
    }
    EXPECT_EQ(editor.Lines().Text(), QByteArray("bleibt"));
    // A stream without a name still gives the general load error.
    QFile stream(path);
    ASSERT_TRUE(stream.open(QIODevice::ReadOnly));
    EXPECT_THROW(editor.Lines().LoadTextStream(stream), platform::OutOfResourcesError);
    EXPECT_EQ(editor.Lines().Text(), QByteArray("bleibt"));
}

TEST(TextFileReload, IsOneUndoStepThatRestoresTextBreaksAndEncodingExactly)
{
    // Both texts large enough that a whole-text move and a small copy are both covered.
    for (const int lines : {3, 200000}) {
        TestDir dir;
        QByteArray before, after;
        for (int i = 0; i < lines; ++i) {
            before += "Zeile " + QByteArray::number(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
            after += QByteArray("Grüße ") + QByteArray::number(i) + "\n";
        }
        before += "Gr\xfc\xdf" "e";  // Windows-1252
        const QString path = dir.write("a.txt", before);
        TTextEditor editor;
        editor.setUndoLimit(50);
        editor.Lines().LoadTextFile(path);
        editor.setTextModified(false);
        dir.write("a.txt", "\xef\xbb\xbf" + after);  // UTF-8 with its mark
        editor.Lines().ReloadTextFile(path);
        EXPECT_EQ(editor.Encoding(), editor::TextEncoding::Utf8);
        EXPECT_TRUE(editor.ByteOrderMark());
        EXPECT_TRUE(editor.UndoAvailable());
        EXPECT_EQ(editor.SelectionStart(), 0);

        editor.UndoLastStep();
        EXPECT_TRUE(editor.TextModified());
        EXPECT_EQ(editor.Encoding(), editor::TextEncoding::Windows1252);
        EXPECT_FALSE(editor.ByteOrderMark());
        EXPECT_FALSE(editor.UndoAvailable()) << "loading left no step before the reload";
        const QString back = dir.file("back.txt");
        editor.Lines().SaveTextFile(back);
        EXPECT_EQ(TestDir::read(back), before) << lines << " lines";

        editor.RedoLastStep();
        const QString again = dir.file("again.txt");
        editor.Lines().SaveTextFile(again);
        EXPECT_EQ(TestDir::read(again), "\xef\xbb\xbf" + after) << lines << " lines";
        EXPECT_EQ(editor.Lines().LineCount(), lines);
    }
}

TEST(TextFileReload, AFailedReadLeavesTextAndHistoryAsTheyWere)
{
    TestDir dir;
    const QString path = dir.write("a.txt", "eins");
    TTextEditor editor;
    editor.Lines().LoadTextFile(path);
    editor.Lines().InsertLine(0, "neu", true);
    ASSERT_EQ(::unlink(QFile::encodeName(path).constData()), 0);
    EXPECT_THROW(editor.Lines().ReloadTextFile(path), platform::FileOpenError);
    EXPECT_EQ(editor.Lines().Text(), QByteArray("neu\reins"));
    editor.UndoLastStep();
    EXPECT_EQ(editor.Lines().Text(), QByteArray("eins"));
}
