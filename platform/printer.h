#pragma once

#include "platform/service.h"

#include <QString>
#include <memory>

class QPrinter;

namespace platform {

// The current printer: the one the print and printer set-up dialogs configure and print
// jobs go to. Shared by every document window.
class PrinterService : public Service<PrinterService> {
public:
    // The printer for the next job; nullptr when the system has no printer at all.
    virtual QPrinter* currentPrinter() = 0;
};

// The system's default printer, created on first use and kept for the whole run, so
// that settings chosen in a dialog apply to later jobs.
class QtPrinterService : public PrinterService {
public:
    QtPrinterService();
    ~QtPrinterService() override;
    QPrinter* currentPrinter() override;

private:
    std::unique_ptr<QPrinter> printer_;
};

// A printer that writes every job into one PDF file (tests, printing to a file).
class PdfPrinterService : public PrinterService {
public:
    explicit PdfPrinterService(const QString& pdfPath);
    ~PdfPrinterService() override;
    QPrinter* currentPrinter() override;
    QPrinter& printer() { return *printer_; }

private:
    std::unique_ptr<QPrinter> printer_;
};

// After the painter has ended a job: false when the job did not reach its destination (a
// printer in its error state, a PDF file that was not written to its end).
bool printJobWritten(const QPrinter& printer);

}  // namespace platform
