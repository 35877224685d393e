#include "platform/iniprofile.h"

#include <gtest/gtest.h>

namespace initext = platform::initext;

// Cases found by fuzzing the profile service.

TEST(IniProfileEncoding, ValueTheEightBitFileCannotHoldMakesItUtf8)
{
    // A Windows-1252 file (the 0xFC is no UTF-8) keeps its encoding while what is written
    // fits; a character the code page cannot hold (also one that UTF-16 needs two units
    // for) turns the whole file into UTF-8, comments and order kept, and nothing is "?".
    const QByteArray content = "; B\xFCro\r\n[Tools]\r\nB\xFCro=x\r\n[Open]\r\nA=\xE4\r\n";
    EXPECT_EQ(initext::writeString(content, "Tools", "Neu", QStringLiteral("M\u00FCller")),
              QByteArray("; B\xFCro\r\n[Tools]\r\nB\xFCro=x\r\nNeu=M\xFCller\r\n[Open]\r\nA=\xE4\r\n"));
    const QString value = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600", 1) + QStringLiteral("b\u0142");
    const QByteArray written = initext::writeString(content, "Tools", "Neu", value);
    EXPECT_EQ(written, (QStringLiteral("; Büro\r\n[Tools]\r\nBüro=x\r\nNeu=") + value + QStringLiteral("\r\n[Open]\r\nA=ä\r\n")).toUtf8());
    EXPECT_EQ(initext::readString(written, "Tools", "Neu", "d"), value);
    EXPECT_EQ(initext::readString(written, "Tools", QStringLiteral("Büro"), "d"), "x");
    EXPECT_EQ(initext::readString(written, "Open", "A", "d"), QStringLiteral("ä"));
    // A remembered path in Łódź comes back as it was written.
    const QByteArray path = initext::writeString(content, "OpenFiles", "1", QStringLiteral("/home/max/Łódź/brief.txt"));
    EXPECT_EQ(initext::readString(path, "OpenFiles", "1", "d"), QStringLiteral("/home/max/Łódź/brief.txt"));
}

TEST(IniProfileEncoding, ValueStartingWithZeroWidthNoBreakSpaceKeepsIt)
{
    // U+FEFF at the start of a value (or name) is text; only the file's own byte order
    // mark in front of its first line is left out.
    const QString value = QString(QChar(0xFEFF)) + QChar(0xFEFF) + QStringLiteral("Wert");
    const QString key = QString(QChar(0xFEFF)) + QStringLiteral("k");
    const QByteArray written = initext::writeString("\xEF\xBB\xBF[S]\r\nx=1\r\n", "S", key, value);
    EXPECT_EQ(initext::readString(written, "S", key, "d"), value);
    EXPECT_EQ(initext::readString(written, "S", "x", "d"), "1");
    EXPECT_EQ(initext::readSectionKeys(written, "S"), QStringList({"x", key}));
}
