#include "platform/printdialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {

template <>
PrintDialogService& Service<PrintDialogService>::defaultInstance()
{
    static QtPrintDialogService service;
    return service;
}

bool QtPrintDialogService::printerAvailable() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

bool QtPrintDialogService::runPrintDialog(QPrinter& printer, int& copies)
{
    QPrintDialog dialog(&printer);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    copies = std::max(1, printer.copyCount());
    // Every copy becomes a job of its own.
    printer.setCopyCount(1);
    return true;
}

bool QtPrintDialogService::runPageSetupDialog(QPrinter& printer)
{
    QPageSetupDialog dialog(&printer);
    dialog.setWindowTitle(QStringLiteral("Drucker einrichten"));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace platform
