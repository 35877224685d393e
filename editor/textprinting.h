#pragma once

#include <QFont>
#include <QString>

#include "editor/utf8text.h"

class QPrinter;

namespace editor {

class TextBuffer;

// Prints the whole text as one job named title, inside the printer's page margins (never
// outside its printable area), on as many pages as it takes; a line wider than the page
// goes on over the next lines of paper, broken after a blank where it can be. The font's
// size is kept as the screen shows it. The text's bytes are read in the given encoding.
// False when the job could not be started; raises platform::AppError when it failed while
// it was finished (the printer refused it, a PDF file could not be written).
bool printText(const TextBuffer& text, QPrinter& printer, const QFont& font, const QString& title,
               TextEncoding encoding = TextEncoding::Windows1252);

}  // namespace editor
