#include "dialogs/toolsgridrules.h"

#include <utility>

ToolsEditState& toolsEditState()
{
    static ToolsEditState state;
    return state;
}

ToolsGridRules::ToolsGridRules(ToolsEditState& state, std::function<void()> onChange)
    : state_(state), onChange_(std::move(onChange))
{
    // A new table: the header row and one empty row.
    rows_.append(Row{});
    rows_.append(Row{});
}

void ToolsGridRules::fill(const QList<ToolEntry>& tools)
{
    rows_.clear();
    rows_.append(Row{QStringLiteral("Name/Beschreibung"), QStringLiteral("Befehl")});
    rows_.append(Row{});
    for (const ToolEntry& tool : tools) {
        rows_.last() = Row{tool.name, tool.command};
        rows_.append(Row{});
    }
    col_ = 0;
    row_ = 1;
    state_.selectedCellText = rows_[row_][col_];
    state_.toolsChanged = false;
}

bool ToolsGridRules::validCell(int col, int row) const
{
    return col >= 0 && col < ColCount && row >= 1 && row < rowCount();
}

QString ToolsGridRules::cell(int col, int row) const
{
    if (col < 0 || col >= ColCount || row < 0 || row >= rowCount())
        return {};
    return rows_[row][col];
}

bool ToolsGridRules::selectCell(int col, int row)
{
    if (!validCell(col, row))
        return false;
    state_.selectedCellText = rows_[row][col];
    col_ = col;
    row_ = row;
    return true;
}

void ToolsGridRules::setEditText(int col, int row, const QString& value)
{
    if (!validCell(col, row))
        return;
    rows_[row][col] = value;
    if (value != state_.selectedCellText)
        signalChange();
}

void ToolsGridRules::addRow()
{
    rows_.append(Row{});
}

bool ToolsGridRules::removeRow()
{
    if (rowCount() < 3)
        return false;
    if (isComplete(rowCount() - 1))
        signalChange();
    rows_.removeLast();
    // The current cell stays inside the table; landing on another row is a selection.
    if (row_ >= rowCount())
        selectCell(col_, rowCount() - 1);
    return true;
}

bool ToolsGridRules::move(Move direction)
{
    int col = col_;
    int row = row_;
    switch (direction) {
    case Move::Up:
        if (row < 2)
            return false;
        --row;
        break;
    case Move::Down:
        if (row >= rowCount() - 1)
            return false;
        ++row;
        break;
    case Move::Left:
        if (col < 1)
            return false;
        --col;
        break;
    case Move::Right:
        if (col > 0)
            return false;
        ++col;
        break;
    }
    std::swap(rows_[row_][col_], rows_[row][col]);
    // The selection follows the text: first the column, then the row.
    selectCell(col, row_);
    selectCell(col, row);
    signalChange();
    return true;
}

bool ToolsGridRules::isComplete(int row) const
{
    return row >= 1 && row < rowCount() && !rows_[row][0].isEmpty() && !rows_[row][1].isEmpty();
}

QList<ToolsGridRules::NumberedTool> ToolsGridRules::completeRows() const
{
    QList<NumberedTool> result;
    for (int row = 1; row < rowCount(); ++row) {
        if (isComplete(row))
            result.append({row, {rows_[row][0], rows_[row][1]}});
    }
    return result;
}

bool ToolsGridRules::isStorable(const ToolEntry& tool)
{
    const auto hasLineBreak = [](const QString& text) {
        return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    };
    if (tool.name.contains(QLatin1Char('=')) || hasLineBreak(tool.name) || hasLineBreak(tool.command))
        return false;
    // The file is read with blanks around a key removed: a name whose first non-blank is
    // ";" or "[" would read as a comment or a section header. A name of blanks only is
    // stored quoted and comes back as it was.
    const QString key = tool.name.trimmed();
    return !key.startsWith(QLatin1Char(';')) && !key.startsWith(QLatin1Char('['));
}

void ToolsGridRules::signalChange()
{
    state_.toolsChanged = true;
    if (onChange_)
        onChange_();
}
