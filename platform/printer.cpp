#include "platform/printer.h"

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

}  // namespace platform
