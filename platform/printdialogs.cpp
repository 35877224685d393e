#include "platform/printdialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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
    PrinterSetupDialog dialog(printer, QPrinterInfo::availablePrinterNames());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    applyPrinterSetup(printer, dialog.setup());
    return true;
}

namespace {

QDoubleSpinBox* marginBox(QWidget* parent, const char* name, qreal value)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(1);
    box->setRange(0, 100);
    box->setSingleStep(1);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}

}  // namespace

PrinterSetupDialog::PrinterSetupDialog(const QPrinter& printer, const QStringList& printerNames, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(QStringLiteral("Drucker einrichten"));
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);

    Printers = new QComboBox(this);
    Printers->setObjectName(QStringLiteral("Printers"));
    Printers->addItems(printerNames);
    const QString current = printer.printerName().isEmpty() ? QPrinterInfo::defaultPrinterName() : printer.printerName();
    if (const int index = Printers->findText(current); index >= 0)
        Printers->setCurrentIndex(index);
    Printers->setEnabled(!printerNames.isEmpty());

    Paper = new QComboBox(this);
    Paper->setObjectName(QStringLiteral("Paper"));
    const QList<QPageSize::PageSizeId> sizes{QPageSize::A4, QPageSize::A5, QPageSize::A3, QPageSize::B5,
                                             QPageSize::Letter, QPageSize::Legal};
    for (QPageSize::PageSizeId id : sizes)
        Paper->addItem(QPageSize::name(id), QVariant::fromValue(QPageSize(id)));
    const QPageSize currentSize = layout.pageSize();
    int paperIndex = -1;
    for (int i = 0; i < Paper->count(); ++i)
        if (Paper->itemData(i).value<QPageSize>().isEquivalentTo(currentSize))
            paperIndex = i;
    if (paperIndex < 0 && currentSize.isValid()) {
        Paper->addItem(currentSize.name(), QVariant::fromValue(currentSize));
        paperIndex = Paper->count() - 1;
    }
    Paper->setCurrentIndex(std::max(0, paperIndex));

    Portrait = new QRadioButton(QStringLiteral("&Hochformat"), this);
    Portrait->setObjectName(QStringLiteral("Portrait"));
    Landscape = new QRadioButton(QStringLiteral("&Querformat"), this);
    Landscape->setObjectName(QStringLiteral("Landscape"));
    (layout.orientation() == QPageLayout::Landscape ? Landscape : Portrait)->setChecked(true);

    const QMarginsF margins = layout.margins();
    MarginLeft = marginBox(this, "MarginLeft", margins.left());
    MarginTop = marginBox(this, "MarginTop", margins.top());
    MarginRight = marginBox(this, "MarginRight", margins.right());
    MarginBottom = marginBox(this, "MarginBottom", margins.bottom());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Drucker:"), Printers);
    form->addRow(QStringLiteral("&Papierformat:"), Paper);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(Portrait);
    orientation->addWidget(Landscape);
    orientation->addStretch();
    form->addRow(QStringLiteral("Ausrichtung:"), orientation);

    auto* marginGroup = new QGroupBox(QStringLiteral("Ränder"), this);
    auto* grid = new QGridLayout(marginGroup);
    const std::pair<const char*, QDoubleSpinBox*> boxes[] = {
        {"&Links:", MarginLeft}, {"&Rechts:", MarginRight}, {"&Oben:", MarginTop}, {"&Unten:", MarginBottom}};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(boxes[i].first), marginGroup);
        label->setBuddy(boxes[i].second);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(boxes[i].second, i / 2, (i % 2) * 2 + 1);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(marginGroup);
    column->addWidget(buttons);
}

PrinterSetup PrinterSetupDialog::setup() const
{
    PrinterSetup chosen;
    chosen.printerName = Printers->isEnabled() ? Printers->currentText() : QString();
    chosen.layout = QPageLayout(Paper->currentData().value<QPageSize>(),
                                Landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait,
                                QMarginsF(MarginLeft->value(), MarginTop->value(), MarginRight->value(),
                                          MarginBottom->value()),
                                QPageLayout::Millimeter);
    return chosen;
}

void applyPrinterSetup(QPrinter& printer, const PrinterSetup& setup)
{
    if (!setup.printerName.isEmpty() && setup.printerName != printer.printerName())
        printer.setPrinterName(setup.printerName);
    if (setup.layout.pageSize().isValid())
        printer.setPageSize(setup.layout.pageSize());
    printer.setPageOrientation(setup.layout.orientation());
    QMarginsF wanted = setup.layout.margins(QPageLayout::Millimeter);
    if (!printer.setPageMargins(wanted, QPageLayout::Millimeter)) {
        // The printer cannot print that close to the edge: the margins it needs at least.
        QPageLayout layout = printer.pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
        const QMarginsF least = layout.minimumMargins();
        wanted = QMarginsF(std::max(wanted.left(), least.left()), std::max(wanted.top(), least.top()),
                           std::max(wanted.right(), least.right()), std::max(wanted.bottom(), least.bottom()));
        printer.setPageMargins(wanted, QPageLayout::Millimeter);
    }
}

}  // namespace platform
