// Return, Enter and Escape on the dialogs that close with a key: each dialog shown and made
// active as the program shows it, the key sent to the widget that has the focus.
#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/statisticsdialog.h"
#include "settings/globals.h"
#include "tests/support/fakedocument.h"
#include "tests/support/fakeframe.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct World {
    FakeServices services;
    TestDir dir;
    FakeFrame frame;
    FakeStatisticsDocument document;
};

struct DialogKey {
    const char* name;
    std::function<std::unique_ptr<QDialog>(World&)> make;
    Qt::Key key;
    QDialog::DialogCode result;
};

const DialogKey kRows[] = {
    {"InfosReturn", [](World&) { return std::make_unique<TInfosForm>(); }, Qt::Key_Return, QDialog::Accepted},
    {"InfosEnter", [](World&) { return std::make_unique<TInfosForm>(); }, Qt::Key_Enter, QDialog::Accepted},
    {"InfosEscape", [](World&) { return std::make_unique<TInfosForm>(); }, Qt::Key_Escape, QDialog::Rejected},
    {"StatistikReturn", [](World& w) { return std::make_unique<TStatistikForm>(w.document); }, Qt::Key_Return,
     QDialog::Accepted},
    {"StatistikEscape", [](World& w) { return std::make_unique<TStatistikForm>(w.document); }, Qt::Key_Escape,
     QDialog::Rejected},
    // The settings dialog starts with the focus on "Abbrechen": Return at once stores nothing.
    {"EinstellungenReturnAtOnce", [](World& w) { return std::make_unique<TEinstellungenForm>(w.frame); },
     Qt::Key_Return, QDialog::Rejected},
    {"EinstellungenEscape", [](World& w) { return std::make_unique<TEinstellungenForm>(w.frame); }, Qt::Key_Escape,
     QDialog::Rejected},
};

class DialogCloses : public ::testing::TestWithParam<DialogKey> {
protected:
    World world;
    void SetUp() override
    {
        Globals::ResetSettings();
        Globals::Settings().IniFileName = world.dir.file("VARNX.ini");
    }
    void TearDown() override { Globals::ResetSettings(); }
};

void PrintTo(const DialogKey& row, std::ostream* os) { *os << row.name; }

}  // namespace

TEST_P(DialogCloses, ByItsKey)
{
    const DialogKey& row = GetParam();
    std::unique_ptr<QDialog> dialog = row.make(world);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    ASSERT_EQ(focus->window(), dialog.get());
    QTest::keyClick(focus, row.key);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), row.result);
    // Nothing was stored or handed to the frame.
    EXPECT_FALSE(QFile::exists(world.dir.file("VARNX.ini")));
    EXPECT_TRUE(world.frame.viewSettings.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryDialog, DialogCloses, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<DialogKey>& info) { return std::string(info.param.name); });
