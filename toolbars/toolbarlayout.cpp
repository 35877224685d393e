#include "toolbars/toolbarlayout.h"

#include "platform/errors.h"
#include "platform/iniprofile.h"
#include "toolbars/dock.h"
#include "toolbars/toolwindow.h"

#include <QWidget>

namespace {

const QString kNoName = QStringLiteral("Cannot save tool window's position because Name property is not set");
const QString kNoDockName =
    QStringLiteral("Cannot save tool window's position because DockedTo's Name property not set");

constexpr int kRevision = 2;

class Section {
public:
    Section(const QString& file, const QString& name) : file_(file), name_(name) {}

    QString readString(const QString& key, const QString& defaultValue) const
    {
        return platform::IniProfileService::current().readString(file_, name_, key, defaultValue);
    }
    int readInteger(const QString& key, int defaultValue) const
    {
        int value = 0;
        return ParseProfileInteger(readString(key, QString()), value) ? value : defaultValue;
    }
    void writeString(const QString& key, const QString& value) const
    {
        platform::IniProfileService::current().writeString(file_, name_, key, value);
    }
    void writeInteger(const QString& key, int value) const { writeString(key, QString::number(value)); }

    TPositionReader reader() const
    {
        return {[this](const QString& key, int def) { return readInteger(key, def); },
                [this](const QString& key, const QString& def) { return readString(key, def); }};
    }
    TPositionWriter writer() const
    {
        return {[this](const QString& key, int value) { writeInteger(key, value); },
                [this](const QString& key, const QString& value) { writeString(key, value); }};
    }

private:
    QString file_;
    QString name_;
};

// Applies the position of a section to a tool window, docking it in `dock` or, without
// one, letting it float.
void applyPosition(TCustomToolWindow* window, const Section& section, TDock* dock)
{
    window->setDockRow(section.readInteger(QStringLiteral("DockRow"), window->DockRow()));
    window->setDockPos(section.readInteger(QStringLiteral("DockPos"), window->DockPos()));
    const int left = section.readInteger(QStringLiteral("FloatLeft"), 0);
    const int top = section.readInteger(QStringLiteral("FloatTop"), 0);
    window->readPositionData(section.reader());
    // (0,0) is what a toolbar that never floated stores: it then floats where it stands.
    if (!dock || left != 0 || top != 0)
        window->setFloatingPosition(QPoint(left, top));
    window->setDockedTo(dock);
    window->updatePlaceLayout();
}

}  // namespace

bool ParseProfileInteger(const QString& text, int& value) { return platform::parseProfileInteger(text.trimmed(), value); }

namespace {

void writeToolbarSections(QWidget* form, const QString& iniFileName)
{
    for (TCustomToolWindow* window : TCustomToolWindow::ownedBy(form)) {
        if (window->objectName().isEmpty())
            throw platform::AppError(kNoName);
        QString dockedTo;
        if (TDock* dock = window->DockedTo()) {
            if (dock->AllowDrag()) {
                if (dock->objectName().isEmpty())
                    throw platform::AppError(kNoDockName);
                dockedTo = dock->objectName();
            }
        } else {
            dockedTo = QStringLiteral("+");
        }
        const Section section(iniFileName, window->objectName());
        section.writeInteger(QStringLiteral("Rev"), kRevision);
        section.writeInteger(QStringLiteral("Visible"), window->Visible() ? 1 : 0);
        section.writeString(QStringLiteral("DockedTo"), dockedTo);
        section.writeInteger(QStringLiteral("DockRow"), window->DockRow());
        section.writeInteger(QStringLiteral("DockPos"), window->DockPos());
        section.writeInteger(QStringLiteral("FloatLeft"), window->floatingPosition().x());
        section.writeInteger(QStringLiteral("FloatTop"), window->floatingPosition().y());
        window->writePositionData(section.writer());
    }
}

}  // namespace

void SaveToolbarLayout(QWidget* form, const QString& iniFileName)
{
    // One write of the file for the whole layout: no toolbar section is ever half new.
    platform::IniBatch batch(platform::IniProfileService::current());
    {
        const platform::ScopedService<platform::IniProfileService> collect(&batch);
        writeToolbarSections(form, iniFileName);
    }
    batch.commit();
}

void LoadToolbarLayout(QWidget* form, const QString& iniFileName)
{
    const QList<TDock*> docks = TDock::ownedBy(form);
    for (TDock* dock : docks)
        dock->beginUpdate();
    // The docks arrange once every window is placed, in reverse order, also after an error.
    struct EndUpdates {
        const QList<TDock*>& docks;
        ~EndUpdates()
        {
            for (qsizetype i = docks.size(); i-- > 0;)
                docks[i]->endUpdate();
        }
    } endUpdates{docks};

    for (TCustomToolWindow* window : TCustomToolWindow::ownedBy(form)) {
        if (window->objectName().isEmpty())
            throw platform::AppError(kNoName);
        const Section section(iniFileName, window->objectName());
        if (section.readInteger(QStringLiteral("Rev"), 0) != kRevision)
            continue;
        window->setVisible(section.readInteger(QStringLiteral("Visible"), window->Visible() ? 1 : 0) != 0);
        const QString dockedTo = section.readString(QStringLiteral("DockedTo"), QString());
        if (dockedTo.isEmpty())
            continue;
        if (dockedTo != QLatin1String("+")) {
            for (TDock* dock : docks) {
                if (dock->objectName() == dockedTo) {
                    if (dock->AllowDrag())
                        applyPosition(window, section, dock);
                    break;
                }
            }
        } else {
            applyPosition(window, section, nullptr);
            window->keepFloatingOnScreen();
        }
    }
}
