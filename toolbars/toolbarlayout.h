#pragma once

#include <QString>

class QWidget;

// The layout of a form's tool windows in the settings file: one section per tool window,
// named by its objectName, with the keys "Rev" (always 2), "Visible", "DockedTo" (the
// dock's objectName, "+" when floating, empty for a dock that does not allow dragging),
// "DockRow", "DockPos", "FloatLeft", "FloatTop" and, for toolbars, "FloatRightX".
// Both go through platform::IniProfileService; its errors pass on to the caller.

// Writes the section of every tool window of the form, in the order they were created.
// Raises platform::AppError for a tool window without a name, or docked in a dock without
// one. The sections are written in one write of the file: after an error none of them has
// changed.
void SaveToolbarLayout(QWidget* form, const QString& iniFileName);

// Restores the tool windows of the form from their sections. A section whose "Rev" is not
// 2 leaves its window untouched; a "DockedTo" naming no dock of the form (or one that does
// not allow dragging) applies only "Visible". A floating window that lies off every
// screen is moved onto the nearest one. The docks arrange once, after all windows are
// placed, also when an error (a tool window without a name) ends the loading.
void LoadToolbarLayout(QWidget* form, const QString& iniFileName);

// The integer forms of the settings file: decimal with an optional sign, "$1F" and "0x1F"
// in hexadecimal. False when the text is not an integer of 32 bits.
bool ParseProfileInteger(const QString& text, int& value);
