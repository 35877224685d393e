#pragma once

#include "platform/service.h"

#include <QFileDialog>
#include <QString>

namespace platform {

// What an open or save dialog is shown with.
struct FileDialogRequest {
    QString title;
    QString initialDir;   // folder to start in
    QString fileName;     // file name preselected (no folder)
    QString filter;       // the common-dialog filter string: "Text|*.txt|Alle|*.*"
    int filterIndex = 1;  // counted from 1
};

// The frame's open and save dialogs. An empty result means the user cancelled.
class FileDialogService : public Service<FileDialogService> {
public:
    // Existing file, one at a time, read-only box hidden.
    virtual QString getOpenFileName(const FileDialogRequest& request) = 0;
    // Asks before overwriting, read-only box hidden, the path must exist.
    virtual QString getSaveFileName(const FileDialogRequest& request) = 0;
};

// The save dialog's file dialog: it refuses a name whose folder does not exist, tells the
// user so and stays open.
class SaveFileDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit SaveFileDialog(QWidget* parent = nullptr);

public slots:
    void accept() override;
};

// The message for a chosen name whose folder does not exist; empty when the folder exists.
QString missingFolderMessage(const QString& fileName);

class QtFileDialogService : public FileDialogService {
public:
    QString getOpenFileName(const FileDialogRequest& request) override;
    QString getSaveFileName(const FileDialogRequest& request) override;
};

// Converts a common-dialog filter string into Qt name filters, one per row:
// "Textdateien [*.txt]|*.txt|Alle Dateien [*.*]|*.*" gives
// "Textdateien [*.txt] (*.txt)" and "Alle Dateien [*.*] (*)". "*.*" means every file.
// An empty or malformed string never fails: it yields one row for every file.
QStringList qtNameFilters(const QString& filter);

}  // namespace platform
