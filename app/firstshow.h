#pragma once

#include <functional>

class QWidget;

// Runs callback once, from the event loop, after the top-level window has first been
// exposed on the screen (mapped and drawable), whether or not the window manager gave it
// the focus. Call it while the window is being shown (its native window exists).
void CallOnceExposed(QWidget* window, std::function<void()> callback);
