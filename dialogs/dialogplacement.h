#pragma once

class QWidget;

// Places a dialog that is about to be shown in the middle of the screen of its owner (the
// primary screen without one). Its window frame is taken to be as large as the owner's.
void centreOnScreen(QWidget& dialog);
