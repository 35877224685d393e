#include "toolbars/dockrowlayout.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

// Positions are worked out in 64 bits: a position read from a settings file may be close
// to the 32-bit limit, and adding a length to it must not wrap round.
struct Work {
    int index;
    qint64 row;
    qint64 pos;
};

int toInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

DockRowArrangement ArrangeDockRows(QList<DockRowItem>& items, const DockRowParams& params)
{
    DockRowArrangement result;
    if (items.isEmpty()) {
        result.thickness = params.fixAlign ? 1 : 0;
        return result;
    }

    std::vector<Work> list;
    list.reserve(items.size());
    for (int i = 0; i < items.size(); ++i) {
        // A row below 0 cannot be placed; it counts as row 0.
        list.push_back({i, std::max(0, items[i].row), items[i].pos});
    }

    // Sort by row, and within a row by position. Equal keys keep their docked-list order.
    std::stable_sort(list.begin(), list.end(), [](const Work& a, const Work& b) {
        return a.row != b.row ? a.row < b.row : a.pos < b.pos;
    });

    if (params.limitToOneRow) {
        for (Work& w : list)
            w.row = 0;
    }

    // Close up empty rows: the rows in use are numbered 0, 1, 2... in their order.
    {
        std::map<qint64, qint64> renumber;
        for (const Work& w : list)
            renumber.emplace(w.row, 0);
        qint64 next = 0;
        for (auto& entry : renumber)
            entry.second = next++;
        for (Work& w : list)
            w.row = renumber[w.row];
    }

    auto highestRow = [&list] {
        qint64 h = 0;
        for (const Work& w : list)
            h = std::max(h, w.row);
        return h;
    };
    auto length = [&items](const Work& w) { return qint64(items[w.index].length); };
    auto fullSize = [&items](const Work& w) { return items[w.index].fullSize; };

    // Give full-size windows their own rows and keep the windows of a row from overlapping.
    for (qint64 r = 0; r <= highestRow(); ++r) {
        qint64 end = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            Work& w = list[i];
            if (w.row != r)
                continue;
            if (fullSize(w)) {
                bool shared = false;
                for (std::size_t j = 0; j < list.size(); ++j)
                    shared = shared || (j != i && list[j].row == r);
                if (shared) {
                    for (std::size_t j = 0; j < list.size(); ++j) {
                        if (j != i && list[j].row >= r)
                            ++list[j].row;
                    }
                }
            }
            if (w.pos <= end)
                w.pos = end;
            end = w.pos + length(w);
        }
    }

    const qint64 rows = highestRow() + 1;
    for (qint64 r = 0; r < rows; ++r) {
        int size = kDockRowMinThickness;
        for (const Work& w : list) {
            if (w.row == r)
                size = std::max(size, items[w.index].thickness);
        }
        result.rowSizes.append(size);
    }

    // Fit each row into the dock: a row that runs past the far edge slides back by the
    // overrun of its last overrunning window.
    const qint64 inner = params.clientLength;
    for (qint64 r = 0; r < rows; ++r) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            Work& w = list[i];
            if (w.row != r)
                continue;
            if (fullSize(w)) {
                w.pos = 0;
                continue;
            }
            for (std::size_t j = list.size(); j-- > i;) {
                const Work& last = list[j];
                if (last.row == r && last.pos + length(last) > inner) {
                    w.pos -= last.pos + length(last) - inner;
                    break;
                }
            }
        }
    }

    // Place the windows, row after row; no window starts before 0 or before the end of
    // the one before it.
    qint64 offset = 0;
    for (qint64 r = 0; r < rows; ++r) {
        const int t = result.rowSizes[int(r)] + kDockRowSpacing;
        qint64 end = 0;
        for (Work& w : list) {
            if (w.row != r)
                continue;
            if (w.pos <= end)
                w.pos = end;
            else
                end = w.pos;
            DockRowItem& item = items[w.index];
            const int along = item.fullSize ? params.clientLength : item.length;
            if (params.vertical)
                item.place = QRect(toInt(offset), toInt(w.pos), t, along);
            else
                item.place = QRect(toInt(w.pos), toInt(offset), along, t);
            end += length(w);
        }
        offset += t;
    }

    for (const Work& w : list) {
        items[w.index].row = toInt(w.row);
        items[w.index].pos = toInt(w.pos);
        result.order.append(w.index);
    }
    result.thickness = toInt(offset + params.border);
    return result;
}
