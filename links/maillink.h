#pragma once

#include <QString>

// Opening a clicked mail address in the desktop's mail program.

// The mailto: URL of a clicked link that is a mail address ("max@example.de") or a mailto:
// link already ("mailto:info@example.de", any case of the scheme); empty for any other
// link, which goes to the web browser.
QString MailUrlOfLink(const QString& link);

// Starts the default application of x-scheme-handler/mailto with the mailto: URL as one
// argument (its desktop entry's Exec= line, never through a shell); without one, the
// desktop's own opener is asked. Failures to start are reported as for the tools.
void OpenMailLink(const QString& mailUrl);
