#pragma once

#include "dialogs/toolsgridrules.h"

#include <QString>
#include <ostream>

// Readable failure messages for Qt strings and tools.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const ToolEntry& tool, std::ostream* os)
{
    *os << '{' << tool.name.toStdString() << " = " << tool.command.toStdString() << '}';
}
