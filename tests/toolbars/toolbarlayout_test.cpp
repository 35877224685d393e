#include "testform.h"

#include "platform/errors.h"
#include "platform/iniprofile.h"
#include "toolbars/floatingwindow.h"
#include "toolbars/toolbarlayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

const QString kIni = QStringLiteral("VARNX.ini");

class ToolbarLayoutTest : public ::testing::Test {
protected:
    platform::MemoryIniProfileService ini;
    platform::ScopedService<platform::IniProfileService> scoped{&ini};

    void setFile(const QByteArray& text) { ini.files[kIni] = text; }
    QString read(const QString& section, const QString& key)
    {
        return platform::initext::readString(ini.files[kIni], section, key, QStringLiteral("<none>"));
    }
    QStringList writes() const { return ini.calls.filter(QStringLiteral("write ")); }
};

struct Snapshot {
    bool visible;
    bool floating;
    QString dock;
    int row;
    int pos;
    QPoint floatAt;
    int wrap;
    QRect geometry;   // in the dock, or the floating window's on the screen
    bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s)
{
    return out << "visible " << s.visible << " floating " << s.floating << " dock " << s.dock.toStdString() << " row "
               << s.row << " pos " << s.pos << " float " << s.floatAt.x() << "," << s.floatAt.y() << " wrap "
               << s.wrap << " geometry " << s.geometry.x() << "," << s.geometry.y() << " " << s.geometry.width()
               << "x" << s.geometry.height();
}

Snapshot snapshot(TToolbar* bar)
{
    const bool floating = bar->isFloating();
    return {bar->Visible(),
            floating,
            bar->DockedTo() ? bar->DockedTo()->objectName() : QString(),
            bar->DockRow(),
            bar->DockPos(),
            bar->floatingPosition(),
            bar->floatWrapWidth(),
            floating ? bar->floatingWindow()->geometry() : (bar->Visible() ? bar->geometry() : QRect())};
}

}  // namespace

TEST_F(ToolbarLayoutTest, SavingTheDesignLayoutWritesSixSections)
{
    TestForm f;
    SaveToolbarLayout(f.form(), kIni);
    const auto section = [](const char* name, int pos) {
        return QByteArray("[") + name + "]\r\nRev=2\r\nVisible=1\r\nDockedTo=DockTop\r\nDockRow=0\r\nDockPos=" +
               QByteArray::number(pos) + "\r\nFloatLeft=0\r\nFloatTop=0\r\nFloatRightX=0\r\n";
    };
    EXPECT_EQ(ini.files[kIni], section("Toolbar_Datei", 0) + section("Toolbar_Bearbeiten", 111) +
                                   section("Toolbar_Markierung", 268) + section("Toolbar_Suchen", 379) +
                                   section("Toolbar_Optionen", 438) + section("Toolbar_Fenster", 503));
    EXPECT_EQ(writes().size(), 48);
}

TEST_F(ToolbarLayoutTest, SaveAndLoadRestoreTheSameLayout)
{
    QList<Snapshot> saved;
    {
        TestForm f;
        // Two toolbars in two columns on the left, one floating with a wrap width, one
        // floating and hidden, one hidden in the bottom dock, one left in DockTop.
        f.toolbar("Datei")->setDockedTo(f.left());
        f.toolbar("Bearbeiten")->setDockRow(1);
        f.toolbar("Bearbeiten")->setDockPos(40);
        f.toolbar("Bearbeiten")->setDockedTo(f.left());
        f.toolbar("Markierung")->setFloatWrapWidth(60);
        f.toolbar("Markierung")->setFloatingPosition(QPoint(320, 260));
        f.toolbar("Markierung")->setDockedTo(nullptr);
        f.toolbar("Suchen")->setFloatingPosition(QPoint(500, 90));
        f.toolbar("Suchen")->setDockedTo(nullptr);
        f.toolbar("Suchen")->setVisible(false);
        f.toolbar("Fenster")->setDockedTo(f.bottom());
        f.toolbar("Fenster")->setVisible(false);
        TestForm::settle();
        for (TToolbar* bar : f.toolbars())
            saved.append(snapshot(bar));
        SaveToolbarLayout(f.form(), kIni);
    }
    EXPECT_EQ(read("Toolbar_Suchen", "DockedTo"), "+");
    EXPECT_EQ(read("Toolbar_Suchen", "Visible"), "0");
    EXPECT_EQ(read("Toolbar_Bearbeiten", "DockedTo"), "DockLeft");
    EXPECT_EQ(read("Toolbar_Bearbeiten", "DockRow"), "1");
    EXPECT_EQ(read("Toolbar_Markierung", "FloatRightX"), "60");

    // Loaded before the form is shown, as at start-up.
    TestForm g(false);
    LoadToolbarLayout(g.form(), kIni);
    g.form()->show();
    TestForm::settle();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(snapshot(g.toolbars()[i]), saved[i]) << g.toolbars()[i]->Caption().toStdString();
    EXPECT_EQ(g.left()->width(), 2 * 27 + 2);
    EXPECT_EQ(g.bottom()->height(), 0);
    EXPECT_EQ(g.toolbar("Datei")->place(), TToolWindowPlace::Vertical);
    EXPECT_FALSE(g.toolbar("Suchen")->floatingWindow()->isVisible());
    EXPECT_TRUE(g.toolbar("Markierung")->floatingWindow()->isVisible());

    // The hidden floating toolbar, shown again, shows at its saved floating position.
    g.toolbar("Suchen")->setVisible(true);
    EXPECT_TRUE(g.toolbar("Suchen")->floatingWindow()->isVisible());
    EXPECT_EQ(g.toolbar("Suchen")->floatingWindow()->pos(), QPoint(500, 90));
}

TEST_F(ToolbarLayoutTest, DraggedLayoutSurvivesARestart)
{
    QList<Snapshot> saved;
    {
        TestForm f;
        dragWidget(f.toolbar("Suchen"), QPoint(5, 10), f.bottom()->mapToGlobal(QPoint(150, -4)));
        dragWidget(f.toolbar("Optionen"), QPoint(5, 10), f.central()->mapToGlobal(QPoint(200, 150)));
        ASSERT_EQ(f.toolbar("Suchen")->DockedTo(), f.bottom());
        ASSERT_TRUE(f.toolbar("Optionen")->isFloating());
        for (TToolbar* bar : f.toolbars())
            saved.append(snapshot(bar));
        SaveToolbarLayout(f.form(), kIni);
    }
    TestForm g(false);
    LoadToolbarLayout(g.form(), kIni);
    g.form()->show();
    TestForm::settle();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(snapshot(g.toolbars()[i]), saved[i]) << g.toolbars()[i]->Caption().toStdString();
    EXPECT_EQ(g.bottom()->height(), 28);
}

TEST_F(ToolbarLayoutTest, SectionsThatDoNotFitLeaveToolbarsAlone)
{
    setFile("[Toolbar_Datei]\r\nVisible=0\r\nDockedTo=DockLeft\r\n"            // no Rev
            "[Toolbar_Bearbeiten]\r\nRev=3\r\nVisible=0\r\nDockedTo=DockLeft\r\n"  // another Rev
            "[Toolbar_Markierung]\r\nRev=2\r\nVisible=0\r\nDockedTo=Nowhere\r\nDockPos=5\r\n"
            "[Toolbar_Suchen]\r\nRev=2\r\nDockedTo=dockleft\r\nDockPos=5\r\n"   // names are exact
            "[Toolbar_Optionen]\r\nRev=2\r\nVisible=x\r\nDockedTo=DockBottom\r\nDockRow=7\r\n"
            "[Toolbar_Fenster]\r\nRev=$2\r\nVisible=0x0\r\nDockedTo=\r\nDockRow=3\r\n");
    TestForm f;
    LoadToolbarLayout(f.form(), kIni);
    TestForm::settle();
    EXPECT_TRUE(f.toolbar("Datei")->Visible());
    EXPECT_EQ(f.toolbar("Datei")->DockedTo(), f.top());
    EXPECT_TRUE(f.toolbar("Bearbeiten")->Visible());
    EXPECT_EQ(f.toolbar("Bearbeiten")->DockedTo(), f.top());
    // An unknown dock: Visible applies, the position does not.
    EXPECT_FALSE(f.toolbar("Markierung")->Visible());
    EXPECT_EQ(f.toolbar("Markierung")->DockedTo(), f.top());
    EXPECT_EQ(f.toolbar("Markierung")->DockPos(), 268);
    EXPECT_EQ(f.toolbar("Suchen")->DockedTo(), f.top());
    // A Visible that is no number keeps the current value; a missing DockPos keeps the
    // current one; rows close up.
    EXPECT_TRUE(f.toolbar("Optionen")->Visible());
    EXPECT_EQ(f.toolbar("Optionen")->DockedTo(), f.bottom());
    EXPECT_EQ(f.toolbar("Optionen")->DockRow(), 0);
    EXPECT_EQ(f.toolbar("Optionen")->DockPos(), 438);
    // "$2" is 2; "0x0" is 0; an empty DockedTo leaves the position.
    EXPECT_FALSE(f.toolbar("Fenster")->Visible());
    EXPECT_EQ(f.toolbar("Fenster")->DockedTo(), f.top());
    EXPECT_EQ(f.toolbar("Fenster")->DockRow(), 0);
}

TEST_F(ToolbarLayoutTest, DocksThatForbidDraggingAreNeitherWrittenNorLoaded)
{
    TestForm f;
    f.left()->setAllowDrag(false);
    f.toolbar("Datei")->setDockedTo(f.left());
    SaveToolbarLayout(f.form(), kIni);
    EXPECT_EQ(read("Toolbar_Datei", "DockedTo"), "");
    EXPECT_EQ(read("Toolbar_Datei", "Rev"), "2");

    setFile("[Toolbar_Suchen]\r\nRev=2\r\nVisible=1\r\nDockedTo=DockLeft\r\n");
    LoadToolbarLayout(f.form(), kIni);
    EXPECT_EQ(f.toolbar("Suchen")->DockedTo(), f.top());
}

TEST_F(ToolbarLayoutTest, FloatingPositionOffEveryScreenIsMovedBackWhenLoading)
{
    setFile("[Toolbar_Suchen]\r\nRev=2\r\nVisible=1\r\nDockedTo=+\r\nFloatLeft=-3000\r\nFloatTop=-2000\r\n"
            "[Toolbar_Fenster]\r\nRev=2\r\nVisible=1\r\nDockedTo=+\r\n");
    TestForm f;
    LoadToolbarLayout(f.form(), kIni);
    // The test programs' one screen: 800 x 600 (tests/support/testmain.cpp).
    const QRect area(0, 0, 800, 600);
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), area);
    const QRect suchen = f.toolbar("Suchen")->floatingWindow()->geometry();
    EXPECT_EQ(suchen.topLeft(), area.topLeft());
    EXPECT_EQ(f.toolbar("Suchen")->floatingPosition(), area.topLeft());
    // A window that still overlaps the screen stays where it is.
    f.toolbar("Suchen")->setFloatingPosition(QPoint(area.right() - 10, 40));
    f.toolbar("Suchen")->keepFloatingOnScreen();
    EXPECT_EQ(f.toolbar("Suchen")->floatingPosition(), QPoint(area.right() - 10, 40));
    // Missing FloatLeft and FloatTop read as 0, which is on the screen.
    EXPECT_EQ(f.toolbar("Fenster")->floatingWindow()->pos(), QPoint(0, 0));
    EXPECT_TRUE(f.toolbar("Fenster")->isFloating());
}

TEST_F(ToolbarLayoutTest, UnnamedWindowsAndDocksRaiseErrors)
{
    TestForm f;
    f.toolbar("Suchen")->setObjectName(QString());
    try {
        SaveToolbarLayout(f.form(), kIni);
        FAIL() << "no error";
    } catch (const platform::AppError& e) {
        EXPECT_EQ(e.message(), "Cannot save tool window's position because Name property is not set");
    }
    // The layout is written as a whole or not at all: not even the windows before it.
    EXPECT_EQ(read("Toolbar_Markierung", "Rev"), "<none>");
    EXPECT_EQ(read("Toolbar_Optionen", "Rev"), "<none>");

    // Loading stops at the same window with the same text; the docks still end their
    // update and arrange what was loaded before it.
    setFile("[Toolbar_Datei]\r\nRev=2\r\nVisible=1\r\nDockedTo=DockBottom\r\nDockPos=0\r\n"
            "[Toolbar_Fenster]\r\nRev=2\r\nVisible=1\r\nDockedTo=DockBottom\r\n");
    try {
        LoadToolbarLayout(f.form(), kIni);
        FAIL() << "no error";
    } catch (const platform::AppError& e) {
        EXPECT_EQ(e.message(), "Cannot save tool window's position because Name property is not set");
    }
    for (TDock* dock : TDock::ownedBy(f.form())) {
        EXPECT_FALSE(dock->isUpdating());
        EXPECT_FALSE(dock->isArrangePending());
    }
    TestForm::settle();
    EXPECT_EQ(f.toolbar("Datei")->DockedTo(), f.bottom());
    EXPECT_EQ(f.bottom()->height(), 28);
    EXPECT_EQ(f.toolbar("Fenster")->DockedTo(), f.top());

    f.toolbar("Suchen")->setObjectName(QStringLiteral("Toolbar_Suchen"));
    f.bottom()->setObjectName(QString());
    try {
        SaveToolbarLayout(f.form(), kIni);
        FAIL() << "no error";
    } catch (const platform::AppError& e) {
        EXPECT_EQ(e.message(), "Cannot save tool window's position because DockedTo's Name property not set");
    }
}

TEST_F(ToolbarLayoutTest, RefusedWritesPassOn)
{
    TestForm f;
    ini.refuseWrites = [](const QString&) { return true; };
    EXPECT_THROW(SaveToolbarLayout(f.form(), kIni), platform::SettingsWriteError);
}

TEST(ProfileInteger, FormsOfTheSettingsFile)
{
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {"12", true, 12},           {"-7", true, -7},          {"+3", true, 3},
        {"$1F", true, 31},          {"0x1f", true, 31},        {"0X10", true, 16},
        {"-$10", true, -16},        {"$FFFFFFFF", true, -1},   {"2147483647", true, 2147483647},
        {"-2147483648", true, int(0x80000000u)}, {"2147483648", false, 0}, {"$100000000", false, 0},
        {"", false, 0},             {"-", false, 0},           {"$", false, 0},
        {"0x", false, 0},           {"1 2", false, 0},         {"12abc", false, 0},
        {"abc", false, 0},          {"$G1", false, 0},
    };
    for (const Case& c : cases) {
        int value = 0;
        EXPECT_EQ(ParseProfileInteger(QString::fromLatin1(c.text), value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST_F(ToolbarLayoutTest, LayoutIsOneWriteAndAnErrorWritesNothing)
{
    TestForm f;
    setFile("[Toolbar_Datei]\r\nRev=2\r\nVisible=1\r\nDockedTo=DockTop\r\n");
    SaveToolbarLayout(f.form(), kIni);
    EXPECT_EQ(ini.fileWrites, 1);
    EXPECT_FALSE(writes().isEmpty());

    // An error part-way (a later toolbar has no name) leaves every section as it was: no
    // new "Visible" beside an old "DockedTo".
    const QByteArray before = ini.files[kIni];
    f.toolbar("Datei")->setVisible(!f.toolbar("Datei")->Visible());
    f.toolbar("Suchen")->setObjectName(QString());
    EXPECT_THROW(SaveToolbarLayout(f.form(), kIni), platform::AppError);
    EXPECT_EQ(ini.files[kIni], before);
    EXPECT_EQ(ini.fileWrites, 1);
}
