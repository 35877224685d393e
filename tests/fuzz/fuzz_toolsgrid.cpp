// Fuzz target of the tools table rules: a random sequence of fillings, cell selections,
// edits, added and removed rows and cell moves, run against a plain model of the table
// that follows the editing rules step by step. After every step the table, the current
// cell, the selected-cell text, the tools-changed flag and the number of change signalCount
// must equal the model's. Besides: the header row never changes, the current cell is
// always a data cell, and a tool the table calls storable reads back from the section
// "Tools" under its name with its command.

#include "dialogs/toolsgridrules.h"
#include "platform/iniprofile.h"
#include "settings/globals.h"
#include "tests/fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

struct Model {
    std::vector<std::array<QString, 2>> rows{{}, {}};
    int col = 0;
    int row = 1;
    QString selected;
    bool changed = false;
    int signalCount = 0;

    bool valid(int c, int r) const { return c >= 0 && c < 2 && r >= 1 && r < int(rows.size()); }
    void signal()
    {
        changed = true;
        ++signalCount;
    }
    void select(int c, int r)
    {
        if (!valid(c, r))
            return;
        selected = rows[size_t(r)][size_t(c)];
        col = c;
        row = r;
    }
};

QString text(FuzzedDataProvider& fdp)
{
    static const char16_t kChars[] = {u'a', u'A', u' ', u'=', u';', u'[', u'\r', u'\n', u'\t', 0x00E4, u'"', u'/', 0x00A0};
    QString s;
    const int length = fdp.ConsumeIntegralInRange(0, fdp.ConsumeBool() ? 2 : 8);
    for (int i = 0; i < length; ++i)
        s += QChar(kChars[fdp.ConsumeIntegralInRange<std::size_t>(0, std::size(kChars) - 1)]);
    return s;
}

QString trimBlanks(QString s)
{
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') || c == QLatin1Char('\f'); };
    while (!s.isEmpty() && blank(s.front()))
        s.remove(0, 1);
    while (!s.isEmpty() && blank(s.back()))
        s.chop(1);
    return s;
}

// A storable tool survives the section "Tools": written as the settings dialog writes
// it, it comes back under its name (blanks and tabs around it removed, as the profile
// service reads key names) with its command.
void checkStorable(const ToolEntry& tool, const QString& where)
{
    if (!ToolsGridRules::isStorable(tool))
        return;
    namespace initext = platform::initext;
    const QString key = Globals::ToolKey(tool.name);
    const QByteArray file = initext::writeString(QByteArray(), QStringLiteral("Tools"), key, tool.command);
    const QStringList keys = initext::readSectionKeys(file, QStringLiteral("Tools"));
    const QString what = where + QStringLiteral(" storable tool %1=%2 in %3").arg(fuzz::show(tool.name), fuzz::show(tool.command), fuzz::show(file));
    FUZZ_CHECK(keys.size() == 1 && keys[0] == trimBlanks(key), what);
    // The name comes back: without its outer blanks, or whole when it is nothing else.
    const QString back = Globals::ToolNameOfKey(keys[0]);
    FUZZ_CHECK(back == trimBlanks(tool.name) || (back == tool.name && trimBlanks(tool.name).isEmpty()), what);
    FUZZ_CHECK(!back.isEmpty(), what);
    const QString command = initext::readString(file, QStringLiteral("Tools"), keys[0], QStringLiteral("\x01"));
    FUZZ_CHECK(command == tool.command.left(platform::IniProfileService::kMaxValueLength), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider fdp(data, size);
    ToolsEditState state;
    state.selectedCellText = text(fdp);  // left over from an earlier dialog
    int signalCount = 0;
    ToolsGridRules grid(state, [&] { ++signalCount; });
    Model model;
    model.selected = state.selectedCellText;

    QString log;
    while (fdp.remaining_bytes() > 0) {
        const int op = fdp.ConsumeIntegralInRange(0, 8);
        log += QString::number(op);
        switch (op) {
        case 0: {  // filling
            QList<ToolEntry> tools;
            const int n = fdp.ConsumeIntegralInRange(0, 4);
            for (int i = 0; i < n; ++i)
                tools.append({text(fdp), text(fdp)});
            grid.fill(tools);
            model.rows = {{QStringLiteral("Name/Beschreibung"), QStringLiteral("Befehl")}, {}};
            for (const ToolEntry& t : tools) {
                model.rows.back() = {t.name, t.command};
                model.rows.push_back({});
            }
            model.col = 0;
            model.row = 1;
            model.selected = model.rows[1][0];
            model.changed = false;
            break;
        }
        case 1: {  // selection, also of cells outside the table
            const int c = fdp.ConsumeIntegralInRange(-1, 2);
            const int r = fdp.ConsumeIntegralInRange(-1, int(model.rows.size()));
            const bool ok = grid.selectCell(c, r);
            FUZZ_CHECK(ok == model.valid(c, r), log);
            model.select(c, r);
            break;
        }
        case 2:
        case 3: {  // the in-place editor hands over its text for the current cell
            const QString value = fdp.ConsumeBool() ? model.selected : text(fdp);
            grid.setEditText(model.col, model.row, value);
            model.rows[size_t(model.row)][size_t(model.col)] = value;
            if (value != model.selected)
                model.signal();
            break;
        }
        case 4:
            grid.addRow();
            model.rows.push_back({});
            break;
        case 5: {
            const bool removed = grid.removeRow();
            FUZZ_CHECK(removed == (model.rows.size() >= 3), log);
            if (removed) {
                const auto& last = model.rows.back();
                if (!last[0].isEmpty() && !last[1].isEmpty())
                    model.signal();
                model.rows.pop_back();
                if (model.row >= int(model.rows.size()))
                    model.select(model.col, int(model.rows.size()) - 1);
            }
            break;
        }
        default: {  // the four move buttons
            const auto direction = ToolsGridRules::Move(op - 5 + fdp.ConsumeIntegralInRange(-1, 0));
            int c = model.col;
            int r = model.row;
            bool allowed = false;
            switch (direction) {
            case ToolsGridRules::Move::Up:
                allowed = r >= 2;
                --r;
                break;
            case ToolsGridRules::Move::Down:
                allowed = r < int(model.rows.size()) - 1;
                ++r;
                break;
            case ToolsGridRules::Move::Left:
                allowed = c >= 1;
                --c;
                break;
            case ToolsGridRules::Move::Right:
                allowed = c <= 0;
                ++c;
                break;
            }
            FUZZ_CHECK(grid.move(direction) == allowed, log);
            if (allowed) {
                std::swap(model.rows[size_t(model.row)][size_t(model.col)], model.rows[size_t(r)][size_t(c)]);
                model.select(c, model.row);
                model.select(c, r);
                model.signal();
            }
            break;
        }
        }

        // The table and its state are the model's.
        FUZZ_CHECK(grid.rowCount() == int(model.rows.size()), log);
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < 2; ++c)
                FUZZ_CHECK(grid.cell(c, r) == model.rows[size_t(r)][size_t(c)],
                           log + QStringLiteral(" cell %1,%2 %3").arg(c).arg(r).arg(fuzz::show(grid.cell(c, r))));
        FUZZ_CHECK(grid.currentCol() == model.col && grid.currentRow() == model.row, log);
        FUZZ_CHECK(grid.currentRow() >= 1 && grid.currentRow() < grid.rowCount(), log);
        FUZZ_CHECK(state.selectedCellText == model.selected, log);
        FUZZ_CHECK(state.toolsChanged == model.changed && signalCount == model.signalCount, log);
        FUZZ_CHECK(grid.cell(0, -1).isEmpty() && grid.cell(2, 1).isEmpty() && grid.cell(0, grid.rowCount()).isEmpty(), log);

        // The complete rows in order, each one storable or not.
        const auto complete = grid.completeRows();
        int k = 0;
        for (int r = 1; r < grid.rowCount(); ++r) {
            const bool full = !model.rows[size_t(r)][0].isEmpty() && !model.rows[size_t(r)][1].isEmpty();
            FUZZ_CHECK(grid.isComplete(r) == full, log);
            if (full) {
                FUZZ_CHECK(k < complete.size() && complete[k].row == r &&
                               complete[k].tool == (ToolEntry{model.rows[size_t(r)][0], model.rows[size_t(r)][1]}),
                           log);
                checkStorable(complete[k].tool, log);
                ++k;
            }
        }
        FUZZ_CHECK(k == complete.size(), log);
    }
    return 0;
}
