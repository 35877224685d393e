#pragma once

#include "platform/service.h"

class QPrinter;

namespace platform {

// The print and printer set-up dialogs.
class PrintDialogService : public Service<PrintDialogService> {
public:
    // Whether any printer is installed.
    virtual bool printerAvailable() = 0;
    // The print dialog for the printer, without print-to-file, page range or selection
    // choice. False when cancelled; otherwise the printer is set up and copies holds the
    // number of copies chosen.
    virtual bool runPrintDialog(QPrinter& printer, int& copies) = 0;
    // The printer set-up dialog; its choice stays with the printer. False when cancelled.
    virtual bool runPageSetupDialog(QPrinter& printer) = 0;
};

class QtPrintDialogService : public PrintDialogService {
public:
    bool printerAvailable() override;
    bool runPrintDialog(QPrinter& printer, int& copies) override;
    bool runPageSetupDialog(QPrinter& printer) override;
};

}  // namespace platform
