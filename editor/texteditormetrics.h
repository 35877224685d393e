#pragma once

// The editor's fixed margins and the bytes it draws as boxes, shared by its layout,
// painting, mouse handling and link hovering.
namespace texteditor {

// The selection bar at the left of the text, and the gap between it and the text.
constexpr int kSelectionBarWidth = 12;
constexpr int kTextPadding = 2;

// Control characters other than the tab, and the bytes Windows-1252 leaves undefined.
inline bool isShownAsBox(unsigned char c)
{
    return (c < 0x20 && c != '\t') || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace texteditor
