#include "dialogs/toolsgridrules.h"
#include "tests/dialogs/printers.h"

#include <gtest/gtest.h>

namespace {

// A table with its own edit state and a count of the change signals it gave.
struct Table {
    ToolsEditState state;
    int changes = 0;
    ToolsGridRules rules{state, [this] { ++changes; }};

    explicit Table(const QList<ToolEntry>& tools = {}) { rules.fill(tools); }
};

const QList<ToolEntry> twoTools{{"Editor", "/usr/bin/ed"}, {"Liste", "ls -l"}};

}  // namespace

TEST(ToolsGridRules, FillingGivesHeaderToolsAndOneEmptyRow)
{
    Table empty;
    EXPECT_EQ(empty.rules.rowCount(), 2);
    EXPECT_EQ(empty.rules.cell(0, 0), "Name/Beschreibung");
    EXPECT_EQ(empty.rules.cell(1, 0), "Befehl");
    EXPECT_TRUE(empty.rules.completeRows().isEmpty());

    Table three({{"A", "a"}, {"B", "b"}, {"C", "c"}});
    ASSERT_EQ(three.rules.rowCount(), 5);
    EXPECT_EQ(three.rules.cell(0, 2), "B");
    EXPECT_EQ(three.rules.cell(1, 3), "c");
    EXPECT_EQ(three.rules.cell(0, 4), "");
    EXPECT_EQ(three.rules.cell(1, 4), "");
    EXPECT_EQ(three.rules.currentCol(), 0);
    EXPECT_EQ(three.rules.currentRow(), 1);
    EXPECT_FALSE(three.state.toolsChanged);
    EXPECT_EQ(three.changes, 0);
}

TEST(ToolsGridRules, FillingClearsFlagAndTakesCurrentCellText)
{
    ToolsEditState state;
    state.toolsChanged = true;
    state.selectedCellText = "left over from an earlier dialog";
    ToolsGridRules rules(state);
    rules.fill(twoTools);
    EXPECT_FALSE(state.toolsChanged);
    EXPECT_EQ(state.selectedCellText, "Editor");
}

TEST(ToolsGridRules, EditTextSignalsOnlyWhenDifferentFromSelectedText)
{
    Table t(twoTools);
    ASSERT_TRUE(t.rules.selectCell(1, 2));
    EXPECT_EQ(t.state.selectedCellText, "ls -l");
    t.rules.setEditText(1, 2, "ls -l");  // unchanged text
    EXPECT_EQ(t.changes, 0);
    EXPECT_FALSE(t.state.toolsChanged);

    t.rules.setEditText(1, 2, "LS -l");  // case only
    EXPECT_EQ(t.changes, 1);
    EXPECT_TRUE(t.state.toolsChanged);
    EXPECT_EQ(t.rules.cell(1, 2), "LS -l");

    t.rules.setEditText(1, 2, "LS -");  // each further differing text signals again
    EXPECT_EQ(t.changes, 2);
    t.rules.setEditText(1, 2, "ls -l");  // the old text back does not undo the signal
    EXPECT_EQ(t.changes, 2);
    EXPECT_TRUE(t.state.toolsChanged);
    EXPECT_EQ(t.rules.cell(1, 2), "ls -l");
}

TEST(ToolsGridRules, ClearingTheInitialCellIsAChange)
{
    // Without a selection first, the edit is compared with the cell the dialog opened on.
    Table t(twoTools);
    t.rules.setEditText(0, 1, "");
    EXPECT_EQ(t.changes, 1);
    EXPECT_TRUE(t.state.toolsChanged);
}

TEST(ToolsGridRules, HeaderAndCellsOutsideCannotBeSelectedOrEdited)
{
    Table t(twoTools);
    EXPECT_FALSE(t.rules.selectCell(0, 0));
    EXPECT_FALSE(t.rules.selectCell(2, 1));
    EXPECT_FALSE(t.rules.selectCell(0, 4));
    EXPECT_FALSE(t.rules.selectCell(-1, 1));
    t.rules.setEditText(0, 0, "Kopf");
    t.rules.setEditText(1, 9, "x");
    EXPECT_EQ(t.rules.cell(0, 0), "Name/Beschreibung");
    EXPECT_EQ(t.rules.rowCount(), 4);
    EXPECT_EQ(t.changes, 0);
    EXPECT_EQ(t.rules.currentRow(), 1);
}

TEST(ToolsGridRules, RemoveTakesLastRowSignalsOnlyForCompleteRows)
{
    Table t(twoTools);
    t.rules.selectCell(0, 1);  // another row selected: the last row goes all the same
    EXPECT_TRUE(t.rules.removeRow());  // the empty bottom row
    EXPECT_EQ(t.rules.rowCount(), 3);
    EXPECT_EQ(t.changes, 0);
    EXPECT_TRUE(t.rules.removeRow());  // "Liste"
    EXPECT_EQ(t.rules.rowCount(), 2);
    EXPECT_EQ(t.changes, 1);
    EXPECT_TRUE(t.state.toolsChanged);
    EXPECT_FALSE(t.rules.removeRow());  // the first data row stays
    EXPECT_EQ(t.rules.rowCount(), 2);
    EXPECT_EQ(t.changes, 1);
    ASSERT_EQ(t.rules.completeRows().size(), 1);
    EXPECT_EQ(t.rules.completeRows()[0].tool, (ToolEntry{"Editor", "/usr/bin/ed"}));

    Table half(QList<ToolEntry>{{"Name", ""}});
    half.rules.addRow();
    half.rules.setEditText(0, 3, "nur Name");
    half.changes = 0;
    half.rules.removeRow();  // incomplete: no signal
    EXPECT_EQ(half.changes, 0);
}

TEST(ToolsGridRules, RemovingTheCurrentRowSelectsTheNewLastRow)
{
    Table t(twoTools);
    t.rules.selectCell(1, 3);
    t.rules.removeRow();
    EXPECT_EQ(t.rules.currentRow(), 2);
    EXPECT_EQ(t.rules.currentCol(), 1);
    EXPECT_EQ(t.state.selectedCellText, "ls -l");
}

TEST(ToolsGridRules, MovesSwapWithNeighbourAndSelectionFollows)
{
    Table t(twoTools);
    t.rules.selectCell(0, 1);
    ASSERT_TRUE(t.rules.move(ToolsGridRules::Move::Down));
    EXPECT_EQ(t.rules.cell(0, 1), "Liste");
    EXPECT_EQ(t.rules.cell(0, 2), "Editor");
    EXPECT_EQ(t.rules.cell(1, 1), "/usr/bin/ed");  // the other column stays
    EXPECT_EQ(t.rules.currentRow(), 2);
    EXPECT_EQ(t.state.selectedCellText, "Editor");
    EXPECT_EQ(t.changes, 1);

    ASSERT_TRUE(t.rules.move(ToolsGridRules::Move::Right));
    EXPECT_EQ(t.rules.cell(0, 2), "ls -l");
    EXPECT_EQ(t.rules.cell(1, 2), "Editor");
    EXPECT_EQ(t.rules.currentCol(), 1);

    ASSERT_TRUE(t.rules.move(ToolsGridRules::Move::Up));
    EXPECT_EQ(t.rules.cell(1, 1), "Editor");
    EXPECT_EQ(t.rules.cell(1, 2), "/usr/bin/ed");
    EXPECT_EQ(t.rules.currentRow(), 1);

    ASSERT_TRUE(t.rules.move(ToolsGridRules::Move::Left));
    EXPECT_EQ(t.rules.cell(0, 1), "Editor");
    EXPECT_EQ(t.rules.cell(1, 1), "Liste");
    EXPECT_EQ(t.rules.currentCol(), 0);
    EXPECT_EQ(t.changes, 4);
}

TEST(ToolsGridRules, RefusedMovesDoNothing)
{
    Table t(twoTools);
    const auto snapshot = [&] {
        QStringList cells;
        for (int row = 0; row < t.rules.rowCount(); ++row)
            cells << t.rules.cell(0, row) << t.rules.cell(1, row);
        return cells;
    };
    const QStringList before = snapshot();

    t.rules.selectCell(0, 1);
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Up));     // header is no target
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Left));   // from column 0
    t.rules.selectCell(1, 3);
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Down));   // last row
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Right));  // from column 1
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(t.rules.currentCol(), 1);
    EXPECT_EQ(t.rules.currentRow(), 3);
    EXPECT_EQ(t.changes, 0);
    EXPECT_FALSE(t.state.toolsChanged);
}

TEST(ToolsGridRules, EmptyTableMoves)
{
    Table t;
    EXPECT_FALSE(t.rules.removeRow());
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Up));
    EXPECT_FALSE(t.rules.move(ToolsGridRules::Move::Down));
    EXPECT_TRUE(t.rules.move(ToolsGridRules::Move::Right));  // two empty cells swap
    EXPECT_EQ(t.rules.currentCol(), 1);
    EXPECT_EQ(t.rules.currentRow(), 1);
    EXPECT_EQ(t.changes, 1);
}

TEST(ToolsGridRules, BlanksCountAsContent)
{
    Table t({{" ", " "}, {"", "x"}, {"x", ""}});
    const auto complete = t.rules.completeRows();
    ASSERT_EQ(complete.size(), 1);
    EXPECT_EQ(complete[0].row, 1);
}

TEST(ToolsGridRules, StorableNames)
{
    EXPECT_TRUE(ToolsGridRules::isStorable({"&Editor", "cmd /c dir > a=b.txt"}));
    EXPECT_TRUE(ToolsGridRules::isStorable({"-", "x"}));
    EXPECT_TRUE(ToolsGridRules::isStorable({"a;b[c]", "x"}));
    EXPECT_FALSE(ToolsGridRules::isStorable({"a=b", "x"}));
    EXPECT_FALSE(ToolsGridRules::isStorable({";Kommentar", "x"}));
    EXPECT_FALSE(ToolsGridRules::isStorable({"  [Abschnitt]", "x"}));
    EXPECT_TRUE(ToolsGridRules::isStorable({"   ", "x"}));
    EXPECT_FALSE(ToolsGridRules::isStorable({"zwei\nZeilen", "x"}));
    EXPECT_FALSE(ToolsGridRules::isStorable({"Name", "a\rb"}));
}
