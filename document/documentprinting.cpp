#include "document/documentprinting.h"

#include "editor/texteditor.h"
#include "platform/messagebox.h"
#include "platform/printdialogs.h"
#include "platform/printer.h"

#include <QPrinter>

namespace {

// The printer every window prints on, or nullptr after telling the user there is none.
QPrinter* availablePrinter()
{
    QPrinter* printer = platform::PrintDialogService::current().printerAvailable()
                            ? platform::PrinterService::current().currentPrinter()
                            : nullptr;
    if (!printer)
        platform::MessageBoxService::current().show(
            QStringLiteral("Fehler:"),
            QStringLiteral("Es ist kein Drucker installiert.\rBitte richten Sie zuerst einen Drucker ein."),
            platform::MsgIcon::Error, platform::MsgButtons::Ok);
    return printer;
}

}  // namespace

void printDocument(TTextEditor& editor, const QString& caption)
{
    QPrinter* printer = availablePrinter();
    if (!printer)
        return;
    int copies = 1;
    if (!platform::PrintDialogService::current().runPrintDialog(*printer, copies))
        return;
    for (int k = 1; k <= copies; ++k)
        editor.PrintText(QStringLiteral("%1 - %2").arg(k).arg(caption));
}

void setUpPrinter()
{
    if (QPrinter* printer = availablePrinter())
        platform::PrintDialogService::current().runPageSetupDialog(*printer);
}
