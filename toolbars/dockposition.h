#pragma once

// The edge of the frame a dock lies along. Left and right docks are vertical: their rows
// are columns and their toolbars stack their buttons from top to bottom.
enum class TDockPosition { dpTop, dpBottom, dpLeft, dpRight };

// The three layouts of a tool window: on a top or bottom dock, on a left or right dock,
// and floating in a window of its own.
enum class TToolWindowPlace { Horizontal, Vertical, Floating };

inline bool IsVerticalDock(TDockPosition position)
{
    return position == TDockPosition::dpLeft || position == TDockPosition::dpRight;
}
