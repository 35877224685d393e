// The real frame's six toolbars, as the frame builds them, against the fixed tables of
// the product: buttons, order, separators, design positions, hints, start states and the
// menu toggles; and the toolbars' places across a restart.
#include "tests/ui/framefixture.h"

#include "app/frametoolbars.h"
#include "toolbars/dock.h"
#include "toolbars/floatingwindow.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"
#include "toolbars/toolbarsep.h"

#include <QMenu>

namespace {

struct ButtonRow {
    const char* name;
    const char* hint;
    bool enabledAtStart;
};

struct ToolbarRow {
    const char* name;
    const char* caption;
    int dockPos;
    QList<QString> contents;  // button names; separators by their own names
};

const QList<ToolbarRow> kToolbars = {
    {"Toolbar_Datei", "Datei", 0, {"Button_Neu", "Button_Oeffnen", "Button_Speichern", "ToolbarSep3", "Button_Drucken"}},
    {"Toolbar_Bearbeiten", "Bearbeiten", 111,
     {"Button_Rueckgaengig", "Button_Wiederherstellen", "ToolbarSep1", "Button_Ausschneiden", "Button_Kopieren",
      "Button_Einfuegen", "Button_Loeschen"}},
    {"Toolbar_Markierung", "Markierung", 268,
     {"Button_Grossbuchstaben", "Button_Kleinbuchstaben", "ToolbarSep2", "Button_NichtsMarkieren", "Button_AllesMarkieren"}},
    {"Toolbar_Suchen", "Suchen", 379, {"Button_Suchen", "Button_Weitersuchen"}},
    {"Toolbar_Optionen", "Optionen", 438, {"Button_EinstellungenKonfigurieren", "ToolbarSep5", "Button_Infos"}},
    {"Toolbar_Fenster", "Fenster", 503, {"Button_Laengsteilen", "Button_Querteilen", "Button_Ueberlappen"}},
};

const ButtonRow kButtons[] = {
    {"Button_Neu", "Neu", true},
    {"Button_Oeffnen", "Datei öffnen", true},
    {"Button_Speichern", "Änderungen speichern", false},
    {"Button_Drucken", "Ausdrucken", false},
    {"Button_Rueckgaengig", "Rückgängig", false},
    {"Button_Wiederherstellen", "Wiederherstellen", false},
    {"Button_Ausschneiden", "Ausschneiden", false},
    {"Button_Kopieren", "Kopieren", false},
    {"Button_Einfuegen", "Einfügen", false},
    {"Button_Loeschen", "Löschen", false},
    {"Button_Grossbuchstaben", "Markierung in Großbuchstaben umwandeln", false},
    {"Button_Kleinbuchstaben", "Markierung in Kleinbuchstaben umwandeln", false},
    {"Button_NichtsMarkieren", "Nichts markieren", false},
    {"Button_AllesMarkieren", "Alles markieren", false},
    {"Button_Suchen", "Suchen", false},
    {"Button_Weitersuchen", "Weitersuchen", false},
    {"Button_EinstellungenKonfigurieren", "Einstellungen konfigurieren", true},
    {"Button_Infos", "Infos...", true},
    {"Button_Laengsteilen", "Fenster längsteilen", false},
    {"Button_Querteilen", "Fenster querteilen", false},
    {"Button_Ueberlappen", "Fenster überlappen", false},
};

TToolbar* bar(TMainForm* frame, const char* name)
{
    return static_cast<TToolbar*>(frame->toolbars()->toolbar(QString::fromLatin1(name)));
}

}  // namespace

TEST_F(FrameTest, SixToolbarsAsDesigned)
{
    QSet<QString> seen;
    for (const ToolbarRow& row : kToolbars) {
        TToolbar* toolbar = bar(frame.get(), row.name);
        ASSERT_TRUE(toolbar) << row.name;
        EXPECT_EQ(toolbar->Caption(), QString::fromUtf8(row.caption));
        EXPECT_EQ(toolbar->DockPos(), row.dockPos) << row.name;
        EXPECT_EQ(toolbar->DockRow(), 0) << row.name;
        ASSERT_TRUE(toolbar->DockedTo());
        EXPECT_EQ(toolbar->DockedTo()->objectName(), QString("DockTop"));
        EXPECT_TRUE(toolbar->Visible());
        QStringList contents;
        for (QWidget* control : toolbar->controls()) {
            contents << control->objectName();
            EXPECT_TRUE(qobject_cast<TToolbarButton*>(control) || qobject_cast<TToolbarSep*>(control));
            EXPECT_EQ(qobject_cast<TToolbarSep*>(control) != nullptr, control->objectName().startsWith("ToolbarSep"));
            if (auto* button = qobject_cast<TToolbarButton*>(control)) {
                EXPECT_EQ(button->size(), QSize(23, 22)) << button->objectName().toStdString();
                seen << button->objectName();
            }
        }
        EXPECT_EQ(contents, QStringList(row.contents)) << row.name;
    }
    for (const ButtonRow& row : kButtons) {
        auto* button = frame->findChild<TToolbarButton*>(QString::fromLatin1(row.name));
        ASSERT_TRUE(button) << row.name;
        EXPECT_TRUE(seen.contains(button->objectName()));
        EXPECT_EQ(button->hint(), QString::fromUtf8(row.hint)) << row.name;
        EXPECT_EQ(button->isEnabled(), row.enabledAtStart) << row.name;
        EXPECT_FALSE(button->icon().isNull()) << row.name;
    }
}

TEST_F(FrameTest, ShiftF1ToF6ToggleTheirToolbars)
{
    // The keys are not in toolbar order: Shift+F5 is "Fenster", Shift+F6 "Optionen".
    const QList<QPair<int, const char*>> keys = {{Qt::Key_F1, "Toolbar_Datei"},     {Qt::Key_F2, "Toolbar_Bearbeiten"},
                                                 {Qt::Key_F3, "Toolbar_Markierung"}, {Qt::Key_F4, "Toolbar_Suchen"},
                                                 {Qt::Key_F5, "Toolbar_Fenster"},    {Qt::Key_F6, "Toolbar_Optionen"}};
    for (const auto& [key, name] : keys) {
        QAction* item = nullptr;
        for (QAction* action : frame->MainMenu_Optionen->actions())
            if (action->shortcut() == QKeySequence(Qt::SHIFT | Qt::Key(key)))
                item = action;
        ASSERT_TRUE(item) << name;
        EXPECT_TRUE(item->isChecked());
        QTest::keyClick(frame.get(), Qt::Key(key), Qt::ShiftModifier);
        QApplication::processEvents();
        EXPECT_FALSE(bar(frame.get(), name)->Visible()) << name;
        EXPECT_FALSE(item->isChecked()) << name;
        for (const ToolbarRow& other : kToolbars) {
            if (QLatin1String(other.name) != QLatin1String(name)) {
                EXPECT_TRUE(bar(frame.get(), other.name)->Visible()) << other.name << " after Shift+F" << key - Qt::Key_F1 + 1;
            }
        }
        QTest::keyClick(frame.get(), Qt::Key(key), Qt::ShiftModifier);
        QApplication::processEvents();
        EXPECT_TRUE(bar(frame.get(), name)->Visible()) << name;
        EXPECT_TRUE(item->isChecked()) << name;
    }
    // Shift+F1 did not open the about box.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FrameTest, FloatingToolbarComesBackShownWhereItWas)
{
    dir.write("VARNX.ini",
              "[Toolbar_Suchen]\r\nRev=2\r\nVisible=1\r\nDockedTo=+\r\nDockRow=0\r\nDockPos=379\r\nFloatLeft=300\r\n"
              "FloatTop=200\r\nFloatRightX=0\r\n");
    frame.reset();
    frame = std::make_unique<TMainForm>();
    // As at start-up: the layout is loaded before the frame is shown.
    frame->toolbars()->loadLayout(dir.file("VARNX.ini"));
    frame->show();
    QApplication::processEvents();
    QApplication::processEvents();
    TToolbar* suchen = bar(frame.get(), "Toolbar_Suchen");
    ASSERT_TRUE(suchen->isFloating());
    ASSERT_TRUE(suchen->floatingWindow());
    EXPECT_TRUE(suchen->floatingWindow()->isVisible());
    EXPECT_EQ(suchen->floatingWindow()->pos(), QPoint(300, 200));
}

TEST_F(FrameTest, DoubleClickFloatsAToolbarWhereItStandsAfterARestart)
{
    // A layout written by an earlier run, in which no toolbar ever floated.
    frame->toolbars()->saveLayout(dir.file("VARNX.ini"));
    frame.reset();
    frame = std::make_unique<TMainForm>();
    frame->toolbars()->loadLayout(dir.file("VARNX.ini"));
    frame->show();
    QApplication::processEvents();
    TToolbar* markierung = bar(frame.get(), "Toolbar_Markierung");
    ASSERT_FALSE(markierung->isFloating());
    const QPoint docked = markierung->mapToGlobal(QPoint(0, 0));
    QTest::mouseDClick(markierung, Qt::LeftButton, {}, QPoint(3, markierung->height() / 2));
    QApplication::processEvents();
    ASSERT_TRUE(markierung->isFloating());
    const QPoint floated = markierung->mapToGlobal(QPoint(0, 0));
    EXPECT_NE(markierung->floatingWindow()->pos(), QPoint(0, 0));
    EXPECT_LE((floated - docked).manhattanLength(), 40);
}
