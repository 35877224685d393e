#include "app/menumerge.h"
#include "document/edittext.h"

#include <gtest/gtest.h>
#include <string>

TEST(EditText, CaseConversionTouchesAsciiLettersOnly)
{
    // "Größe straße" in Windows-1252.
    const QByteArray text("Gr\xF6\xDF" "e stra\xDF" "e");
    EXPECT_EQ(asciiUpper(text), QByteArray("GR\xF6\xDF" "E STRA\xDF" "E"));
    const QByteArray small("gr\xF6\xDF" "e");
    EXPECT_EQ(asciiLower(asciiUpper(small)), small);
    EXPECT_EQ(asciiUpper("\xE4\xC4 z{@["), QByteArray("\xE4\xC4 Z{@["));
    EXPECT_EQ(asciiUpper(text).size(), text.size());
}

TEST(EditText, DateTimeTextFollowsTheLocale)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33)), german), QString("08.12.2026 14:05:33"));
    // Exactly midnight leaves the time out; one second later it is there.
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0)), german), QString("02.01.2026"));
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1)), german), QString("02.01.2026 00:00:01"));
    const QString us = dateTimeInsertText(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33)), QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(us.startsWith("12/8/2026")) << us.toStdString();
    EXPECT_FALSE(us.contains("UTC"));
}

// No language set (LC_ALL=C or POSIX): German forms, not the C locale's own.
TEST(EditText, DateTimeTextWithoutLanguageIsGerman)
{
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33)), QLocale::c()), QString("08.12.2026 14:05:33"));
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0)), QLocale::c()), QString("02.01.2026"));
    EXPECT_EQ(dateTimeInsertText(QDateTime(QDate(2026, 1, 2), QTime(9, 0, 0)), QLocale("POSIX")), QString("02.01.2026 09:00:00"));
    // A real locale keeps its own short date with a four-digit year and its long time.
    const QString british = dateTimeInsertText(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33)), QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(british, QString("08/12/2026 14:05:33"));
}

TEST(EditText, FindInLineWithAndWithoutCase)
{
    EXPECT_EQ(findInLine("abc abc", 0, "abc", true), 0);
    EXPECT_EQ(findInLine("abc abc", 1, "abc", true), 4);
    EXPECT_EQ(findInLine("abc abc", 5, "abc", true), -1);
    EXPECT_EQ(findInLine("xAbc", 0, "ABC", false), 1);
    EXPECT_EQ(findInLine("xAbc", 0, "ABC", true), -1);
    // Ä finds ä: the letters of Windows-1252 fold, ß and µ stay as they are.
    EXPECT_EQ(findInLine("\xE4", 0, "\xC4", false), 0);
    EXPECT_EQ(findInLine("x\xDF", 0, textUpper("\xDF", false), false), 1);
    EXPECT_EQ(findInLine("\xB5", 0, textUpper("\xB5", false), false), 0);
    EXPECT_EQ(textUpper("\xE4\xF6\xFC\xDF\xFF\xB5", false), QByteArray("\xC4\xD6\xDC\xDF\x9F\xB5"));
    EXPECT_EQ(textLower("\xC4\xD6\xDC\x9F\x8A", false), QByteArray("\xE4\xF6\xFC\xFF\x9A"));
    // UTF-8: one character for one, the bytes in number unchanged.
    EXPECT_EQ(textUpper(QString::fromUtf8("äöü ß łódź é").toUtf8(), true), QString::fromUtf8("ÄÖÜ ß ŁÓDŹ É").toUtf8());
    EXPECT_EQ(findInLine(QString::fromUtf8("x Größe").toUtf8(), 0, QString::fromUtf8("GRÖSSE").toUtf8(), false, true), -1);
    EXPECT_EQ(findInLine(QString::fromUtf8("x Größe").toUtf8(), 0, QString::fromUtf8("GRÖßE").toUtf8(), false, true), 2);
    EXPECT_EQ(findInLine("abc", 7, "a", false), -1);
    EXPECT_EQ(findInLine("", 0, "a", false), -1);
    EXPECT_EQ(findInLine("aaa", 0, "", false), -1);
}

TEST(MenuMerge, DocumentMenusReplaceTheirGroupAndStandInGroupOrder)
{
    using Entry = std::pair<int, std::string>;
    const std::vector<Entry> frame = {{0, "Datei"}, {6, "Optionen"}, {6, "Fenster"}, {6, "Tools"}, {6, "Hilfe"}};
    const std::vector<Entry> child = {{0, "Datei*"}, {3, "Bearbeiten"}, {3, "Markierung"}, {3, "Suchen"}};
    EXPECT_EQ(mergeMenusByGroup(frame, child),
              (std::vector<std::string>{"Datei*", "Bearbeiten", "Markierung", "Suchen", "Optionen", "Fenster", "Tools", "Hilfe"}));
    EXPECT_EQ(mergeMenusByGroup(frame, {}), (std::vector<std::string>{"Datei", "Optionen", "Fenster", "Tools", "Hilfe"}));
}
