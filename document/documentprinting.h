#pragma once

#include <QString>

class TTextEditor;

// Prints the whole text once per copy chosen in the print dialog, each copy a job of its
// own titled "k - caption". When no printer is installed it offers to print into a PDF
// file chosen in a save dialog instead.
void printDocument(TTextEditor& editor, const QString& caption);

// The printer set-up dialog; its choice applies to later jobs of every window. Without a
// printer it sets up the PDF output.
void setUpPrinter();
