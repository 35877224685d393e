#pragma once

#include <QString>

class TTextEditor;

// Prints the whole text once per copy chosen in the print dialog, each copy a job of its
// own titled "k - caption". Tells the user when no printer is installed.
void printDocument(TTextEditor& editor, const QString& caption);

// The printer set-up dialog; its choice applies to later jobs of every window.
void setUpPrinter();
