#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// File names are bytes. The program holds them as text, which carries every name that is
// valid UTF-8 exactly; a name that is not (a byte 0xFF, say) would come back as other bytes,
// and might then name another file. Such names are refused, never replaced by a look-alike.

// The name decodes to text that encodes back to the very same bytes.
bool isExactName(const QByteArray& native);

// The name for a message: its text, with every byte that is not part of valid UTF-8 shown
// as \xHH.
QString shownName(const QByteArray& native);

// The message for a refused name: "Der Dateiname "%1" ist kein gültiges UTF-8; die Datei
// wird nicht geöffnet."
QString inexactNameText(const QByteArray& native);

// For a name as text (from a dialog, a drop, the settings file): the full native name of an
// entry in its folder that is not valid UTF-8 but reads as the same text, so that the text
// cannot tell the two apart; empty when there is none. Only a name holding U+FFFD can have
// such a twin.
QByteArray inexactTwinOf(const QString& path);

}  // namespace platform
