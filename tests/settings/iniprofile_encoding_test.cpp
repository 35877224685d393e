#include "platform/iniprofile.h"

#include <gtest/gtest.h>

namespace initext = platform::initext;

// Cases found by fuzzing the profile service.

TEST(IniProfileEncoding, CharacterOutsideTheBasicPlaneBecomesOneQuestionMarkInEightBitFile)
{
    // A Windows-1252 file (the 0xFC is no UTF-8) keeps its encoding; a character the
    // code page cannot hold is one "?", also when UTF-16 needs two units for it.
    const QByteArray content = "[Tools]\r\nB\xFCro=x\r\n";
    const QString value = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600", 1) + QStringLiteral("b\u0142");
    const QByteArray written = initext::writeString(content, "Tools", "Neu", value);
    EXPECT_EQ(written, content + "Neu=a?b?\r\n");
    EXPECT_EQ(initext::readString(written, "Tools", "Neu", "d"), "a?b?");
    // A lone surrogate is one unknown character as well.
    const QByteArray lone = initext::writeString(content, "Tools", "L", QString(QChar(0xD800)) + "x");
    EXPECT_EQ(initext::readString(lone, "Tools", "L", "d"), "?x");
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
