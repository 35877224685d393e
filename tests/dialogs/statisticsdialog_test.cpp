#include "dialogs/statisticsdialog.h"
#include "tests/support/fakedocument.h"
#include "tests/support/fakes.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"
#include "tests/dialogs/printers.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <new>
#include <sys/stat.h>

namespace {

using Document = FakeStatisticsDocument;


// Shows the dialog and lets its filling run.
void showAndFill(TStatistikForm& form)
{
    form.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

QStringList fileLabels(const TStatistikForm& form)
{
    return {form.Label_DateiGroesse->text(), form.Label_DateiAttribute->text(), form.Label_Erstellungszeit->text(),
            form.Label_ZuletztGespeichert->text(), form.Label_LetzterZugriff->text()};
}

QStringList countLabels(const TStatistikForm& form)
{
    return {form.Label_Zeilenanzahl->text(), form.Label_Wortanzahl->text(), form.Label_AnzahlLeerzeichen->text(),
            form.Label_Zeichenanzahl->text()};
}

const QStringList fiveUnknown{"?", "?", "?", "?", "?"};

}  // namespace

TEST(StatistikForm, NewEmptyDocument)
{
    FakeServices services;
    Document doc;
    TStatistikForm form(doc);
    EXPECT_TRUE(services.cursor.isBusy());
    EXPECT_EQ(form.windowTitle(), "Statistik");
    // 409 pixels wide, or wider where the system font needs room for the longest text.
    EXPECT_GE(form.width(), 409);
    EXPECT_EQ(form.height(), 232);
    EXPECT_EQ(form.Label_Wortanzahl->text(), "?");
    showAndFill(form);
    EXPECT_EQ(form.Label_Dateiname->text(), "Ungespeichert, keine zugehörige Textdatei vorhanden...");
    EXPECT_EQ(fileLabels(form), fiveUnknown);
    EXPECT_EQ(countLabels(form), (QStringList{"0", "0", "0", "0"}));
    EXPECT_FALSE(services.cursor.isBusy());
}

TEST(StatistikForm, ErrorWhileCountingIsShownAfterTheHourglass)
{
    FakeServices services;
    QList<bool> busyWhenShown;
    services.messages.onShow = [&](const ShownMessage&) { busyWhenShown.append(services.cursor.isBusy()); };
    Document doc;
    doc.lines = {"eins", "zwei"};
    doc.onFirstLine = [] { throw std::bad_alloc(); };
    TStatistikForm form(doc);
    services.messages.answers = {platform::MsgResult::Ok};
    form.OnActivate();
    ASSERT_EQ(services.messages.shown.size(), 1);
    EXPECT_EQ(services.messages.shown[0].caption, QString("VARNX"));
    EXPECT_EQ(services.messages.shown[0].text, QString("Zu wenig Arbeitsspeicher."));
    EXPECT_EQ(busyWhenShown, QList<bool>({false}));
}

TEST(StatistikForm, SavedFileFactsAndCounts)
{
    FakeServices services;
    TestDir dir;
    Document doc;
    doc.name = dir.write("text.txt", QByteArray(1234567, 'x'));
    doc.lines = {"abc ", "def", "", "g\th  i"};
    // The file facts are on screen before the counting starts.
    QStringList seenWhileCounting;
    TStatistikForm form(doc);
    doc.onFirstLine = [&] { seenWhileCounting = {form.Label_Dateiname->text(), form.Label_Wortanzahl->text()}; };
    showAndFill(form);
    EXPECT_EQ(seenWhileCounting, (QStringList{doc.name, "?"}));
    EXPECT_EQ(form.Label_Dateiname->text(), doc.name);
    EXPECT_EQ(form.Label_DateiGroesse->text(), "1.234.567 Bytes.");
    EXPECT_EQ(form.Label_DateiAttribute->text(), "");
    EXPECT_NE(form.Label_ZuletztGespeichert->text(), "?");
    EXPECT_NE(form.Label_LetzterZugriff->text(), "?");
    EXPECT_EQ(countLabels(form), (QStringList{"4", "4", "3", "13"}));
}

TEST(StatistikForm, SizesOfEmptySmallAndHugeFiles)
{
    FakeServices services;
    TestDir dir;
    const auto sizeShown = [&](const QString& path) {
        Document doc;
        doc.name = path;
        TStatistikForm form(doc);
        form.OnActivate();
        return form.Label_DateiGroesse->text();
    };
    EXPECT_EQ(sizeShown(dir.write("empty.txt", {})), "0 Bytes.");
    EXPECT_EQ(sizeShown(dir.write("small.txt", QByteArray(999, 'a'))), "999 Bytes.");
    // A sparse file of 3 GiB: the size stays positive.
    QFile huge(dir.file("huge.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(3LL << 30));
    huge.close();
    EXPECT_EQ(sizeShown(huge.fileName()), "3.221.225.472 Bytes.");
}

TEST(StatistikForm, HiddenReadOnlyFile)
{
    FakeServices services;
    TestDir dir;
    Document doc;
    doc.name = dir.write(".versteckt.txt", "x");
    ASSERT_EQ(::chmod(QFile::encodeName(doc.name).constData(), 0444), 0);
    TStatistikForm form(doc);
    form.OnActivate();
    EXPECT_EQ(form.Label_DateiAttribute->text(), "Versteckt Schreibgeschützt ");
}

TEST(StatistikForm, WriteTimeInTheLocalZone)
{
    FakeServices services;
    TestDir dir;
    Document doc;
    doc.name = dir.write("alt.txt", "x");
    ASSERT_EQ(QProcess::execute("touch", {"-d", "1999-07-01 09:05:07 UTC", doc.name}), 0);
    const TimeZoneGuard tokyo("Asia/Tokyo");
    TStatistikForm form(doc);
    form.OnActivate();
    EXPECT_EQ(form.Label_ZuletztGespeichert->text(), "1.7.1999 18:5:7");  // Tokyo is 9 hours ahead
}

TEST(StatistikForm, DeletedFileShowsUnsavedTextButCounts)
{
    FakeServices services;
    TestDir dir;
    Document doc;
    doc.name = dir.write("weg.txt", "abc\r\n");
    doc.lines = {"abc"};
    ASSERT_TRUE(QFile::remove(doc.name));
    TStatistikForm form(doc);
    form.OnActivate();
    EXPECT_EQ(form.Label_Dateiname->text(), TStatistikForm::unsavedText());
    EXPECT_EQ(fileLabels(form), fiveUnknown);
    EXPECT_EQ(countLabels(form), (QStringList{"1", "1", "0", "3"}));
}

TEST(StatistikForm, CountersFollowRegionalSeparatorLinesAndSizeDoNot)
{
    FakeServices services;
    const LocaleGuard american(QLocale(QLocale::English, QLocale::UnitedStates));
    Document doc;
    for (int i = 0; i < 1234; ++i)
        doc.lines.append(i == 0 ? QByteArray(11111, 'w') : QByteArray(1, ' '));
    TStatistikForm form(doc);
    form.OnActivate();
    EXPECT_EQ(form.Label_Zeilenanzahl->text(), "1.234");
    EXPECT_EQ(form.Label_Wortanzahl->text(), "1");
    EXPECT_EQ(form.Label_AnzahlLeerzeichen->text(), "1,233");
    EXPECT_EQ(form.Label_Zeichenanzahl->text(), "12,344");
}

