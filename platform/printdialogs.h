#pragma once

#include "platform/service.h"

#include <QDialog>
#include <QPageLayout>
#include <QStringList>

class QComboBox;
class QDoubleSpinBox;
class QPrinter;
class QRadioButton;

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

// What the printer set-up dialog chose: the printer (empty: the printer stays as it is),
// the paper, its orientation and the margins.
struct PrinterSetup {
    QString printerName;
    QPageLayout layout;
};

// Gives the printer the choice of the set-up dialog, so that later jobs use it. Margins
// smaller than the printer can print are widened to what it can.
void applyPrinterSetup(QPrinter& printer, const PrinterSetup& setup);

// The dialog "Drucker einrichten": the printer to print on, the paper size, portrait or
// landscape, and the four margins in millimetres. It starts with the printer's settings.
class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(const QPrinter& printer, const QStringList& printerNames, QWidget* parent = nullptr);
    PrinterSetup setup() const;

    QComboBox* Printers;
    QComboBox* Paper;
    QRadioButton* Portrait;
    QRadioButton* Landscape;
    QDoubleSpinBox* MarginLeft;
    QDoubleSpinBox* MarginTop;
    QDoubleSpinBox* MarginRight;
    QDoubleSpinBox* MarginBottom;
};

class QtPrintDialogService : public PrintDialogService {
public:
    bool printerAvailable() override;
    bool runPrintDialog(QPrinter& printer, int& copies) override;
    bool runPageSetupDialog(QPrinter& printer) override;
};

}  // namespace platform
