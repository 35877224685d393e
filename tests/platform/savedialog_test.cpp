#include "platform/filedialogs.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types a name into the dialog's file name field and presses Enter, as a user does.
void typeNameAndEnter(QFileDialog& dialog, const QString& name)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
}

}  // namespace

TEST(SaveDialog, RefusesANameInAFolderThatDoesNotExist)
{
    FakeServices services;
    TestDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("da"));

    platform::SaveFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(QStringLiteral("Speichern unter..."));
    dialog.setDirectory(dir.path());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    services.messages.answers = {platform::MsgResult::Ok};  // the warning's OK
    typeNameAndEnter(dialog, QStringLiteral("fehlt/brief.txt"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    ASSERT_EQ(services.messages.shown.size(), 1);
    const ShownMessage& m = services.messages.shown[0];
    EXPECT_EQ(m.caption, QStringLiteral("Speichern unter..."));
    EXPECT_EQ(m.text, "\"" + dir.path() + "/fehlt/brief.txt\"\rDer Pfad existiert nicht.\r"
                      "Überprüfen Sie, ob der richtige Pfad angegeben wurde.");
    EXPECT_EQ(m.icon, platform::MsgIcon::Warning);

    // A name in an existing folder is taken.
    typeNameAndEnter(dialog, QStringLiteral("da/brief.txt"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles().value(0), dir.path() + "/da/brief.txt");
    EXPECT_EQ(services.messages.shown.size(), 1);
}

TEST(SaveDialog, MissingFolderMessage)
{
    TestDir dir;
    EXPECT_EQ(platform::missingFolderMessage(dir.file("neu.txt")), QString());
    EXPECT_FALSE(platform::missingFolderMessage(dir.file("weg/neu.txt")).isEmpty());
    // A file where a folder should be is no folder either.
    const QString file = dir.write("datei", "x");
    EXPECT_FALSE(platform::missingFolderMessage(file + "/neu.txt").isEmpty());
}
