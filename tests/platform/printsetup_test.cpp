#include "platform/printdialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(PrinterSetupDialog, ChoosesPrinterPaperOrientationAndMargins)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(10, 11, 12, 13), QPageLayout::Millimeter);

    platform::PrinterSetupDialog dialog(printer, {QStringLiteral("Büro"), QStringLiteral("Keller")});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drucker einrichten"));
    // It starts with the printer's settings.
    EXPECT_EQ(dialog.Paper->currentText(), QPageSize::name(QPageSize::A4));
    EXPECT_TRUE(dialog.Portrait->isChecked());
    EXPECT_DOUBLE_EQ(dialog.MarginLeft->value(), 10);
    EXPECT_DOUBLE_EQ(dialog.MarginBottom->value(), 13);

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.Printers->setFocus();
    QTest::keyClick(dialog.Printers, Qt::Key_End);  // the last printer of the list
    EXPECT_EQ(dialog.Printers->currentText(), QStringLiteral("Keller"));
    QTest::mouseClick(dialog.Landscape, Qt::LeftButton, {}, QPoint(4, dialog.Landscape->height() / 2));
    dialog.MarginLeft->selectAll();
    QTest::keyClicks(dialog.MarginLeft, "30");
    QTest::keyClick(dialog.MarginLeft, Qt::Key_Tab);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const platform::PrinterSetup chosen = dialog.setup();
    EXPECT_EQ(chosen.printerName, QStringLiteral("Keller"));
    EXPECT_EQ(chosen.layout.orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(chosen.layout.pageSize().isEquivalentTo(QPageSize(QPageSize::A4)));
    EXPECT_DOUBLE_EQ(chosen.layout.margins(QPageLayout::Millimeter).left(), 30);
    EXPECT_DOUBLE_EQ(chosen.layout.margins(QPageLayout::Millimeter).top(), 11);
}

TEST(PrinterSetupDialog, WithoutPrinterNamesThePrinterStays)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    platform::PrinterSetupDialog dialog(printer, {});
    EXPECT_FALSE(dialog.Printers->isEnabled());
    const platform::PrinterSetup chosen = dialog.setup();
    EXPECT_TRUE(chosen.printerName.isEmpty());
    platform::applyPrinterSetup(printer, {chosen.printerName,
                                          QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape,
                                                      QMarginsF(5, 6, 7, 8), QPageLayout::Millimeter)});
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_TRUE(printer.pageLayout().pageSize().isEquivalentTo(QPageSize(QPageSize::A5)));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_NEAR(printer.pageLayout().margins(QPageLayout::Millimeter).right(), 7, 0.01);
}
