#pragma once

#include <Qt>

class QWidget;

// The window of a dialog with a fixed border: a title and a close box, and neither a
// minimise nor a maximise box (the window manager is told to leave them out).
inline Qt::WindowFlags fixedDialogFlags()
{
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
           Qt::WindowCloseButtonHint;
}

// Places a dialog that is about to be shown in the middle of the screen of its owner (the
// primary screen without one). Its window frame is taken to be as large as the owner's.
void centreOnScreen(QWidget& dialog);
