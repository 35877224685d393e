#include "platform/printer.h"

#include <algorithm>

#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {

template <>
PrinterService& Service<PrinterService>::defaultInstance()
{
    static QtPrinterService instance;
    return instance;
}

QtPrinterService::QtPrinterService() = default;
QtPrinterService::~QtPrinterService() = default;

QPrinter* QtPrinterService::currentPrinter()
{
    if (!printer_) {
        if (QPrinterInfo::availablePrinterNames().isEmpty())
            return nullptr;
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return printer_.get();
}

PdfPrinterService::PdfPrinterService(const QString& pdfPath) : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfPath);
    printer_->setPageSize(QPageSize(QPageSize::A4));
}

PdfPrinterService::~PdfPrinterService() = default;

QPrinter* PdfPrinterService::currentPrinter() { return printer_.get(); }

bool printJobWritten(const QPrinter& printer)
{
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return false;
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return true;
    // A PDF file written to its end closes with its end-of-file marker.
    QFile file(printer.outputFileName());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size <= 0 || !file.seek(std::max<qint64>(0, size - 1024)))
        return false;
    return file.read(1024).contains("%%EOF");
}

}  // namespace platform
