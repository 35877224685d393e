#include "document/documentprinting.h"

#include "editor/texteditor.h"
#include "platform/filedialogs.h"
#include "platform/filefacts.h"
#include "platform/messagebox.h"
#include "platform/printdialogs.h"
#include "platform/printer.h"

#include <QDir>
#include <QPrinter>

namespace {

// The PDF output that stands in for a printer where none is installed. It lives for the
// whole run, so that its page set-up applies to every later job.
platform::PdfPrinterService& pdfOutput()
{
    static auto* output = new platform::PdfPrinterService(QString());
    return *output;
}

// Without a printer: asks whether to print into a PDF file and for its name; empty when
// the user does not want to.
QString choosePdfFile(const QString& caption)
{
    const platform::MsgResult answer = platform::MessageBoxService::current().show(
        QStringLiteral("Kein Drucker..."),
        QStringLiteral("Es ist kein Drucker installiert.\rSoll der Text stattdessen in eine PDF-Datei gedruckt werden ?"),
        platform::MsgIcon::Question, platform::MsgButtons::OkCancel);
    if (answer != platform::MsgResult::Ok)
        return {};
    platform::FileDialogRequest request;
    request.title = QStringLiteral("In PDF-Datei drucken...");
    const bool saved = QDir::isAbsolutePath(caption);
    request.initialDir = saved ? platform::directoryPart(caption) : QDir::homePath();
    QString name = saved ? platform::fileNamePart(caption) : QStringLiteral("Unbenannt");
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot > 0)
        name.truncate(dot);
    request.fileName = name + QStringLiteral(".pdf");
    request.filter = QStringLiteral("PDF-Dateien [*.pdf]|*.pdf|Alle Dateien [*.*]|*.*");
    request.filterIndex = 1;
    QString chosen = platform::FileDialogService::current().getSaveFileName(request);
    if (!chosen.isEmpty() && !platform::fileNamePart(chosen).contains(QLatin1Char('.')))
        chosen += QStringLiteral(".pdf");
    return chosen;
}

}  // namespace

void printDocument(TTextEditor& editor, const QString& caption)
{
    if (!platform::PrintDialogService::current().printerAvailable()) {
        const QString file = choosePdfFile(caption);
        if (file.isEmpty())
            return;
        pdfOutput().printer().setOutputFileName(platform::fullPath(file));
        const platform::ScopedService<platform::PrinterService> toFile(&pdfOutput());
        editor.PrintText(QStringLiteral("1 - %1").arg(caption));
        return;
    }
    QPrinter* printer = platform::PrinterService::current().currentPrinter();
    if (!printer) {
        platform::MessageBoxService::current().show(
            QStringLiteral("Fehler:"),
            QStringLiteral("Es ist kein Drucker installiert.\rBitte richten Sie zuerst einen Drucker ein."),
            platform::MsgIcon::Error, platform::MsgButtons::Ok);
        return;
    }
    int copies = 1;
    if (!platform::PrintDialogService::current().runPrintDialog(*printer, copies))
        return;
    for (int k = 1; k <= copies; ++k)
        editor.PrintText(QStringLiteral("%1 - %2").arg(k).arg(caption));
}

void setUpPrinter()
{
    // Without a printer the set-up is that of the PDF output.
    if (!platform::PrintDialogService::current().printerAvailable()) {
        platform::PrintDialogService::current().runPageSetupDialog(pdfOutput().printer());
        return;
    }
    if (QPrinter* printer = platform::PrinterService::current().currentPrinter())
        platform::PrintDialogService::current().runPageSetupDialog(*printer);
}
