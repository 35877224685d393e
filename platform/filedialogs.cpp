#include "platform/filedialogs.h"

#include "platform/filefacts.h"
#include "platform/messagebox.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

template <>
FileDialogService& Service<FileDialogService>::defaultInstance()
{
    static QtFileDialogService service;
    return service;
}

QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList masks;
        for (const QString& raw : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString mask = raw.trimmed();
            if (mask.isEmpty())
                continue;
            if (mask == QLatin1String("*.*"))
                mask = QStringLiteral("*");
            // Brackets and blanks would end Qt's pattern list early.
            mask.remove(QLatin1Char('(')).remove(QLatin1Char(')')).remove(QLatin1Char(' '));
            if (!mask.isEmpty())
                masks << mask;
        }
        if (masks.isEmpty())
            masks << QStringLiteral("*");
        description.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        if (description.isEmpty())
            description = masks.join(QLatin1Char(' '));
        result << QStringLiteral("%1 (%2)").arg(description, masks.join(QLatin1Char(' ')));
    }
    if (result.isEmpty())
        result << QStringLiteral("Alle Dateien (*)");
    return result;
}

namespace {

void prepare(QFileDialog& dialog, const FileDialogRequest& request)
{
    dialog.setWindowTitle(request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    if (!request.initialDir.isEmpty())
        dialog.setDirectory(request.initialDir);
    const QStringList filters = qtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    const int index = request.filterIndex - 1;
    if (index >= 0 && index < filters.size())
        dialog.selectNameFilter(filters[index]);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
}

}  // namespace

QString QtFileDialogService::getOpenFileName(const FileDialogRequest& request)
{
    QFileDialog dialog;
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString missingFolderMessage(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : fileName.left(slash + 1);
    if (isDirectory(folder))
        return {};
    return QLatin1Char('"') + fileName + QLatin1Char('"') + QChar(13) +
           QStringLiteral("Der Pfad existiert nicht.") + QChar(13) +
           QStringLiteral("Überprüfen Sie, ob der richtige Pfad angegeben wurde.");
}

SaveFileDialog::SaveFileDialog(QWidget* parent) : QFileDialog(parent)
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

void SaveFileDialog::accept()
{
    // A name in a folder that does not exist is refused; the dialog stays open so the
    // user can correct it. A folder name itself is the dialog's own business (it opens it).
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !isDirectory(files.first())) {
        const QString message = missingFolderMessage(files.first());
        if (!message.isEmpty()) {
            MessageBoxService::current().show(windowTitle(), message, MsgIcon::Warning, MsgButtons::Ok);
            return;
        }
    }
    QFileDialog::accept();
}

QString QtFileDialogService::getSaveFileName(const FileDialogRequest& request)
{
    SaveFileDialog dialog;
    prepare(dialog, request);
    // A native dialog may close without asking accept(): it is shown again until the name
    // lies in an existing folder or the user cancels.
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString chosen = dialog.selectedFiles().first();
        const QString message = missingFolderMessage(chosen);
        if (message.isEmpty())
            return chosen;
        MessageBoxService::current().show(dialog.windowTitle(), message, MsgIcon::Warning, MsgButtons::Ok);
    }
}

}  // namespace platform
