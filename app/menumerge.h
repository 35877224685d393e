#pragma once

#include <algorithm>
#include <utility>
#include <vector>

// Menu merging by group index: every menu of the document window replaces the frame's
// menus of the same group; the result stands in ascending group order, and menus of one
// group keep their own order.
template <class Menu>
std::vector<Menu> mergeMenusByGroup(const std::vector<std::pair<int, Menu>>& frameMenus,
                                    const std::vector<std::pair<int, Menu>>& childMenus)
{
    std::vector<std::pair<int, Menu>> merged;
    for (const auto& entry : frameMenus) {
        const bool replaced = std::any_of(childMenus.begin(), childMenus.end(),
                                          [&](const auto& child) { return child.first == entry.first; });
        if (!replaced)
            merged.push_back(entry);
    }
    merged.insert(merged.end(), childMenus.begin(), childMenus.end());
    std::stable_sort(merged.begin(), merged.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Menu> result;
    result.reserve(merged.size());
    for (const auto& entry : merged)
        result.push_back(entry.second);
    return result;
}
