#pragma once

#include <QList>
#include <QString>

#include <array>
#include <functional>

// One external tool: its name (the menu caption and the key in the section "Tools") and
// its command (the menu item's hint and the key's value).
struct ToolEntry {
    QString name;
    QString command;
    bool operator==(const ToolEntry&) const = default;
};

// What the tools table keeps beyond one dialog: whether the tools were changed since the
// last filling, and the text the most recently selected cell held when it was selected.
struct ToolsEditState {
    bool toolsChanged = false;
    QString selectedCellText;
};

// The one edit state of the settings dialog; it outlives every dialog instance.
ToolsEditState& toolsEditState();

// The editing rules of the tools table, free of any window. Row 0 is the fixed header
// row; the data rows start at 1. Column 0 holds the name, column 1 the command.
class ToolsGridRules {
public:
    enum class Move { Up, Down, Left, Right };
    static constexpr int ColCount = 2;

    // onChange runs after every signalled change (the dialog enables "&Übernehmen").
    explicit ToolsGridRules(ToolsEditState& state, std::function<void()> onChange = {});

    // Header texts, then the tools in menu order, then one empty row. Clears the
    // tools-changed flag; the current cell becomes (0, 1) and the selected-cell text
    // takes its text, so that the first edit is compared with what the cell shows.
    void fill(const QList<ToolEntry>& tools);

    int rowCount() const { return int(rows_.size()); }
    QString cell(int col, int row) const;
    int currentCol() const { return col_; }
    int currentRow() const { return row_; }

    // The cell (col, row) becomes current; the selected-cell text takes its text.
    // False (and nothing happens) for the header row or a cell outside the table.
    bool selectCell(int col, int row);

    // The in-place editor hands over its text after each change: the cell takes it, and a
    // change is signalled when it differs from the selected-cell text (case counts).
    void setEditText(int col, int row, const QString& value);

    // Appends an empty row at the bottom; signals nothing.
    void addRow();

    // Removes the last row unless only the header and one row are left. Signals a change
    // when the removed row was a complete tool. False when nothing was removed.
    bool removeRow();

    // Swaps the current cell with its neighbour; the selection follows the text and a
    // change is signalled. A move beyond the table does nothing and returns false.
    bool move(Move direction);

    // A row whose name and command both hold at least one character.
    bool isComplete(int row) const;

    // The complete rows, top to bottom, each with its row number.
    struct NumberedTool {
        int row;
        ToolEntry tool;
    };
    QList<NumberedTool> completeRows() const;

    // A name that the section "Tools" can hold as a key: no "=", no line break, not
    // blanks only, its first non-blank neither ";" nor "["; a command holds no line break.
    static bool isStorable(const ToolEntry& tool);

private:
    void signalChange();
    bool validCell(int col, int row) const;

    ToolsEditState& state_;
    std::function<void()> onChange_;
    using Row = std::array<QString, ColCount>;
    QList<Row> rows_;
    int col_ = 0;
    int row_ = 1;
};
