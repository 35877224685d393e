// A Windows-1252 text turned into UTF-8 as one undo step, and the question asked before
// characters that Windows-1252 cannot hold.

#include "tests/editor/editortesting.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using editor::TextEncoding;

namespace {

// Types each character as a keyboard with it would.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

}  // namespace

TEST(ConvertToUtf8, KeepsEveryBreakAndTheSelectionAndUndoesInOneStep)
{
    auto editor = makeEditor("Gr\xFC\xDF" "e\nzwei\r\n\xE4\rvier");
    ASSERT_EQ(editor->Encoding(), TextEncoding::Windows1252);
    editor->setUndoLimit(50);
    editor->setSelectionStart(6);  // "zwei"
    editor->setSelectionLength(4);
    ASSERT_TRUE(editor->ConvertToUtf8());
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(savedBytes(*editor), QByteArray("Gr\xC3\xBC\xC3\x9F" "e\nzwei\r\n\xC3\xA4\rvier"));
    EXPECT_EQ(editor->SelectionStart(), 6);
    EXPECT_EQ(editor->SelectionLength(), 4);
    EXPECT_EQ(editor->SelectionText(), QByteArray("zwei"));
    EXPECT_TRUE(editor->TextModified());
    EXPECT_FALSE(editor->ConvertToUtf8());  // once is enough
    editor->UndoLastStep();
    EXPECT_EQ(editor->Encoding(), TextEncoding::Windows1252);
    EXPECT_EQ(savedBytes(*editor), QByteArray("Gr\xFC\xDF" "e\nzwei\r\n\xE4\rvier"));
    editor->RedoLastStep();
    EXPECT_EQ(editor->Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(savedBytes(*editor), QByteArray("Gr\xC3\xBC\xC3\x9F" "e\nzwei\r\n\xC3\xA4\rvier"));
}

TEST(ConvertToUtf8, TheHandlerIsAskedOnlyForCharactersWindows1252CannotHold)
{
    auto editor = makeEditor("\xE4");
    QStringList asked;
    editor->setUnrepresentableHandler([&](const QString& c) { asked << c; });
    editor->setSelectionStart(1);
    typeText(editor.get(), QString::fromUtf8("ö€"));
    EXPECT_TRUE(asked.isEmpty());
    typeText(editor.get(), QString::fromUtf8("ł"));
    EXPECT_EQ(asked, QStringList{QString::fromUtf8("ł")});
    EXPECT_EQ(savedBytes(*editor), QByteArray("\xE4\xF6\x80?"));  // Nein: "?" as before
    EXPECT_EQ(TCustomTextEditor::firstUnrepresentable(QString::fromUtf8("a€😀b")), QString::fromUtf8("😀"));
    // A text of pure ASCII may be taken as UTF-8; one with other bytes may not.
    auto ascii = makeEditor("plain\r\n");
    EXPECT_TRUE(ascii->TakeAsciiAsUtf8());
    EXPECT_EQ(ascii->Encoding(), TextEncoding::Utf8);
    EXPECT_FALSE(editor->TakeAsciiAsUtf8());
}
