#include "platform/filedialogs.h"

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

QString QtFileDialogService::getSaveFileName(const FileDialogRequest& request)
{
    QFileDialog dialog;
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace platform
