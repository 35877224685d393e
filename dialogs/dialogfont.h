#pragma once

#include <QApplication>
#include <QFont>

// The font of the dialogs: the system's user-interface font with characters 11 pixels
// high, the size their fixed layouts are made for.
inline QFont dialogFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}
