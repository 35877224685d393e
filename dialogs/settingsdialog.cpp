#include "dialogs/settingsdialog.h"

#include "dialogs/dialogfont.h"
#include "dialogs/dialogplacement.h"
#include "dialogs/toolsgrid.h"
#include "platform/errors.h"
#include "platform/messagebox.h"
#include "settings/globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QApplication>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Tabs of a fixed size, 100 × 22 pixels.
class FixedTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int) const override { return QSize(100, 22); }
    QSize minimumTabSizeHint(int) const override { return QSize(100, 22); }
};

class PageControlWidget : public QTabWidget {
public:
    explicit PageControlWidget(QWidget* parent) : QTabWidget(parent)
    {
        auto* bar = new FixedTabBar(this);
        bar->setFocusPolicy(Qt::NoFocus);
        setTabBar(bar);
        setFocusPolicy(Qt::NoFocus);
    }
};

QCheckBox* checkBox(QWidget* page, const char* name, const QString& caption, int top)
{
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(8, top, 393, 17);
    return box;
}

QLabel* label(QWidget* page, const char* name, const QString& caption, int left, int top)
{
    auto* text = new QLabel(caption, page);
    text->setObjectName(QLatin1String(name));
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    text->adjustSize();
    text->move(left, top);
    return text;
}

QComboBox* filterBox(QWidget* page, const char* name, int top)
{
    auto* box = new QComboBox(page);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);  // Enter must not add list entries
    box->setGeometry(8, top, 393, 21);
    return box;
}

QPushButton* gridButton(QWidget* page, const char* name, const QString& caption, const QString& hint, int left,
                        int width)
{
    auto* button = new QPushButton(caption, page);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setGeometry(left, 145, width, 24);
    return button;
}

}  // namespace

TEinstellungenForm::TEinstellungenForm(ISettingsDialogFrame& frame, QWidget* parent)
    : QDialog(parent, fixedDialogFlags()),
      frame_(frame),
      rules_(toolsEditState(), [this] { OnChange(); })
{
    // OnCreate: the hourglass until the filling has finished (filling_).
    setObjectName(QStringLiteral("EinstellungenForm"));
    setWindowTitle(QStringLiteral("Einstellungen konfigurieren"));
    setFixedSize(417, 249);
    setFont(dialogFont());
    setModal(true);

    PageControl = new PageControlWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(0, 1, 417, 208);

    // The pages are made inside the page control, so that their controls have the dialog's
    // font from the start and the labels are sized with it.
    auto* allgemein = new QWidget(PageControl);
    allgemein->setObjectName(QStringLiteral("TabSheet_Allgemein"));
    CheckBoxInstanz = checkBox(allgemein, "CheckBoxInstanz",
                               QStringLiteral("Nur eine Instanz zulassen (Merfaches Starten verhindern)"), 8);
    Label1 = label(allgemein, "Label1", QStringLiteral("Datei \"Öffnen\" Filter:"), 8, 36);
    ComboBox_FilterOeffnen = filterBox(allgemein, "ComboBox_FilterOeffnen", 53);
    Label2 = label(allgemein, "Label2", QStringLiteral("Datei \"Speichern unter...\" Filter:"), 8, 83);
    ComboBox_FilterSpeichern = filterBox(allgemein, "ComboBox_FilterSpeichern", 100);

    auto* darstellung = new QWidget(PageControl);
    darstellung->setObjectName(QStringLiteral("TabSheet_Darstellung"));
    CheckBox_ShowMarkleiste = checkBox(darstellung, "CheckBox_ShowMarkleiste",
                                       QStringLiteral("Markierungsleiste anzeigen (links vom Textfeld)"), 8);
    CheckBox_AutoUrl =
        checkBox(darstellung, "CheckBox_AutoUrl", QStringLiteral("Automatische Url-Erkennung verwenden"), 24);
    CheckBox_StartWithNew =
        checkBox(darstellung, "CheckBox_StartWithNew", QStringLiteral("Immer mit neuem Dokument starten"), 48);
    CheckBox_ReadOnlyFilesNurLesen =
        checkBox(darstellung, "CheckBox_ReadOnlyFilesNurLesen",
                 QStringLiteral("Schreibgeschützte Dateien mit \"Nur lesen zulassen\" öffnen"), 64);
    CheckBox_ShowMarkleiste->setChecked(true);
    CheckBox_AutoUrl->setChecked(true);

    auto* speichern = new QWidget(PageControl);
    speichern->setObjectName(QStringLiteral("TabSheet_Speichern"));
    CheckBox_AutoSaveSettings = checkBox(speichern, "CheckBox_AutoSaveSettings",
                                         QStringLiteral("Einstellungen beim beenden automatisch speichern"), 8);
    CheckBox_AutoLoadSaveOpenFiles = checkBox(speichern, "CheckBox_AutoLoadSaveOpenFiles",
                                              QStringLiteral("Arbeitsplatz (geöffnete Dateien) merken"), 24);
    CheckBox_AutoSaveSettings->setChecked(true);

    auto* tools = new QWidget(PageControl);
    tools->setObjectName(QStringLiteral("TabSheet_Tools"));
    ToolsGrid = new TToolsGrid(rules_, tools);
    ToolsGrid->setObjectName(QStringLiteral("ToolsGrid"));
    ToolsGrid->setGeometry(8, 8, 393, 129);
    ButtonHinzufuegen = gridButton(tools, "ButtonHinzufuegen", QStringLiteral("Hinzufügen"),
                                   QStringLiteral("Zeile hinzufügen/anhängen"), 8, 81);
    ButtonEntfernen = gridButton(tools, "ButtonEntfernen", QStringLiteral("Entfernen"),
                                 QStringLiteral("Letzte Zeilen entfernen"), 96, 81);
    ButtonOben = gridButton(tools, "ButtonOben", QStringLiteral("Oben"),
                            QStringLiteral("Markierte Zelle nach oben verschieben"), 197, 50);
    ButtonUnten = gridButton(tools, "ButtonUnten", QStringLiteral("Unten"),
                             QStringLiteral("Markierte Zelle nach unten verschieben"), 246, 50);
    ButtonLinks = gridButton(tools, "ButtonLinks", QStringLiteral("Links"),
                             QStringLiteral("Markierte Zelle nach links verschieben"), 303, 50);
    ButtonRechts = gridButton(tools, "ButtonRechts", QStringLiteral("Rechts"),
                              QStringLiteral("Markierte Zelle nach rechts verschieben"), 352, 50);

    PageControl->addTab(allgemein, QStringLiteral("Allgemein"));
    PageControl->addTab(darstellung, QStringLiteral("Darstellung"));
    PageControl->addTab(speichern, QStringLiteral("Speichern"));
    PageControl->addTab(tools, QStringLiteral("Tools"));
    PageControl->setCurrentIndex(0);

    Button_Uebernehmen = new QPushButton(QStringLiteral("&Übernehmen"), this);
    Button_Uebernehmen->setObjectName(QStringLiteral("Button_Uebernehmen"));
    Button_Uebernehmen->setGeometry(8, 218, 196, 25);
    Button_Uebernehmen->setDefault(true);
    Button_Uebernehmen->setEnabled(false);
    Button_Abbrechen = new QPushButton(QStringLiteral("&Abbrechen"), this);
    Button_Abbrechen->setObjectName(QStringLiteral("Button_Abbrechen"));
    Button_Abbrechen->setGeometry(213, 218, 196, 25);
    ToolsGrid->setDefaultButton(Button_Uebernehmen);
    ToolsGrid->setCancelButton(Button_Abbrechen);

    const QList<QWidget*> tabOrder{CheckBoxInstanz, ComboBox_FilterOeffnen, ComboBox_FilterSpeichern,
                                   CheckBox_ShowMarkleiste, CheckBox_AutoUrl, CheckBox_StartWithNew,
                                   CheckBox_ReadOnlyFilesNurLesen, CheckBox_AutoSaveSettings,
                                   CheckBox_AutoLoadSaveOpenFiles, ToolsGrid, ButtonHinzufuegen, ButtonEntfernen,
                                   ButtonOben, ButtonUnten, ButtonLinks, ButtonRechts, Button_Uebernehmen,
                                   Button_Abbrechen};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    for (QCheckBox* box : {CheckBoxInstanz, CheckBox_ShowMarkleiste, CheckBox_AutoUrl, CheckBox_StartWithNew,
                           CheckBox_ReadOnlyFilesNurLesen, CheckBox_AutoSaveSettings, CheckBox_AutoLoadSaveOpenFiles})
        connect(box, &QCheckBox::toggled, this, [this] { OnChange(); });
    for (QComboBox* box : {ComboBox_FilterOeffnen, ComboBox_FilterSpeichern})
        connect(box, &QComboBox::editTextChanged, this, [this] { OnChange(); });

    connect(ToolsGrid, &TToolsGrid::cellSelected, this, &TEinstellungenForm::ToolsGrid_OnSelectCell);
    connect(ToolsGrid, &TToolsGrid::editTextChanged, this, &TEinstellungenForm::ToolsGrid_OnSetEditText);
    connect(ButtonHinzufuegen, &QPushButton::clicked, this, &TEinstellungenForm::ButtonHinzufuegen_OnClick);
    connect(ButtonEntfernen, &QPushButton::clicked, this, &TEinstellungenForm::ButtonEntfernen_OnClick);
    for (QPushButton* button : {ButtonOben, ButtonUnten, ButtonLinks, ButtonRechts})
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonVerschieben_OnClick(button); });

    // The dialog's result is set when the button is pressed, so it closes even when
    // storing failed.
    connect(Button_Uebernehmen, &QPushButton::clicked, this, [this] {
        Button_Uebernehmen_OnClick();
        accept();
    });
    connect(Button_Abbrechen, &QPushButton::clicked, this, &QDialog::reject);

    // Shift+Tab arrives as Backtab, with or without the Shift in the key sequence.
    const QList<std::pair<QKeySequence, bool>> pageKeys{
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), true},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), false},
        {QKeySequence(Qt::CTRL | Qt::Key_Backtab), false},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), false}};
    for (const auto& [keys, forward] : pageKeys) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, forward = forward] { switchPageOrLeaveGrid(forward); });
    }

    Button_Abbrechen->setFocus();
    centreOnScreen(*this);
}

void TEinstellungenForm::switchPageOrLeaveGrid(bool forward)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == ToolsGrid || ToolsGrid->isAncestorOf(focus))) {
        // The next control in the Tab order that can take the focus now.
        QWidget* next = ToolsGrid;
        do {
            next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
        } while (next != ToolsGrid &&
                 (ToolsGrid->isAncestorOf(next) || !next->isVisible() || !next->isEnabled() ||
                  !(next->focusPolicy() & Qt::TabFocus) || next->window() != this));
        if (next != ToolsGrid)
            next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return;
    }
    const int count = PageControl->count();
    PageControl->setCurrentIndex((PageControl->currentIndex() + (forward ? 1 : count - 1)) % count);
}

TEinstellungenForm::~TEinstellungenForm() = default;

void TEinstellungenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OnActivate();
}

void TEinstellungenForm::keyPressEvent(QKeyEvent* event)
{
    // Enter that no control took for itself (a focused button presses itself) presses
    // "&Übernehmen" when it is enabled and does nothing otherwise.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (Button_Uebernehmen->isEnabled())
                Button_Uebernehmen->click();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TEinstellungenForm::OnActivate()
{
    // The hourglass goes before an error of the filling is shown.
    filling_.run([this] { fill(); });
}

void TEinstellungenForm::fill()
{
    const TSettingsRecord& settings = Globals::Settings();
    CheckBoxInstanz->setChecked(settings.SingleInstance);
    const QString openFilter = frame_.openDialogFilter();
    ComboBox_FilterOeffnen->clear();
    ComboBox_FilterOeffnen->addItem(openFilter);
    ComboBox_FilterOeffnen->setEditText(openFilter);
    const QString saveFilter = frame_.saveDialogFilter();
    ComboBox_FilterSpeichern->clear();
    ComboBox_FilterSpeichern->addItem(saveFilter);
    ComboBox_FilterSpeichern->setEditText(saveFilter);
    // A long filter shows its start, where its first file type is.
    for (QComboBox* box : {ComboBox_FilterOeffnen, ComboBox_FilterSpeichern})
        if (QLineEdit* edit = box->lineEdit())
            edit->setCursorPosition(0);
    CheckBox_ShowMarkleiste->setChecked(settings.ShowMarkbar);
    CheckBox_AutoUrl->setChecked(settings.AutoUrlDetection);
    CheckBox_StartWithNew->setChecked(settings.StartWithNewDoc);
    CheckBox_ReadOnlyFilesNurLesen->setChecked(settings.OpenAsReadOnlyIfIsReadOnly);
    CheckBox_AutoSaveSettings->setChecked(settings.AutoSaveSettings);
    CheckBox_AutoLoadSaveOpenFiles->setChecked(settings.AutoSaveOpenFiles);
    rules_.fill(frame_.toolEntries());
    ToolsGrid->syncFromRules();
    // Last, so that the changes made by the filling itself leave the button disabled.
    toolsEditState().toolsChanged = false;
    Button_Uebernehmen->setEnabled(false);
}

void TEinstellungenForm::OnChange()
{
    if (!Button_Uebernehmen->isEnabled())
        Button_Uebernehmen->setEnabled(true);
}

void TEinstellungenForm::Button_Uebernehmen_OnClick()
{
    // A refused write ends the applying; the error is reported and the dialog closes.
    platform::runGuarded([this] { applySettings(); });
}

void TEinstellungenForm::applySettings()
{
    TSettingsRecord& settings = Globals::Settings();
    settings.SingleInstance = CheckBoxInstanz->isChecked();
    Globals::WriteBool(QStringLiteral("MainWindow"), QStringLiteral("SingleInstance"), settings.SingleInstance);

    frame_.setOpenDialogFilter(ComboBox_FilterOeffnen->currentText());
    Globals::WriteString(QStringLiteral("Open"), QStringLiteral("Filter"), frame_.openDialogFilter());
    frame_.setSaveDialogFilter(ComboBox_FilterSpeichern->currentText());
    Globals::WriteString(QStringLiteral("Save"), QStringLiteral("Filter"), frame_.saveDialogFilter());

    settings.ShowMarkbar = CheckBox_ShowMarkleiste->isChecked();
    Globals::WriteBool(QStringLiteral("View"), QStringLiteral("ShowMarkbar"), settings.ShowMarkbar);
    settings.AutoUrlDetection = CheckBox_AutoUrl->isChecked();
    Globals::WriteBool(QStringLiteral("View"), QStringLiteral("AutoUrlDetection"), settings.AutoUrlDetection);
    frame_.applyViewSettings(settings.ShowMarkbar, settings.AutoUrlDetection);

    settings.StartWithNewDoc = CheckBox_StartWithNew->isChecked();
    Globals::WriteBool(QStringLiteral("View"), QStringLiteral("StartWithNewDoc"), settings.StartWithNewDoc);
    settings.OpenAsReadOnlyIfIsReadOnly = CheckBox_ReadOnlyFilesNurLesen->isChecked();
    Globals::WriteBool(QStringLiteral("View"), QStringLiteral("OpenAsReadOnlyIfIsReadOnly"),
                       settings.OpenAsReadOnlyIfIsReadOnly);
    settings.AutoSaveSettings = CheckBox_AutoSaveSettings->isChecked();
    Globals::WriteBool(QStringLiteral("Save"), QStringLiteral("AutoSaveSettings"), settings.AutoSaveSettings);
    settings.AutoSaveOpenFiles = CheckBox_AutoLoadSaveOpenFiles->isChecked();
    Globals::WriteBool(QStringLiteral("Save"), QStringLiteral("AutoSaveOpenFiles"), settings.AutoSaveOpenFiles);

    if (toolsEditState().toolsChanged)
        rebuildTools();
}

void TEinstellungenForm::rebuildTools()
{
    Globals::EraseSection(QStringLiteral("Tools"));
    frame_.clearTools();
    QList<ToolsGridRules::NumberedTool> skipped;
    for (const ToolsGridRules::NumberedTool& row : rules_.completeRows()) {
        // A name that cannot be a key would damage the section: such a row is left out.
        if (!ToolsGridRules::isStorable(row.tool)) {
            skipped.append(row);
            continue;
        }
        Globals::WriteString(QStringLiteral("Tools"), Globals::ToolKey(row.tool.name), row.tool.command);
        frame_.AddTool(row.tool.name, row.tool.command);
    }
    if (!skipped.isEmpty())
        platform::MessageBoxService::current().show(QStringLiteral("Fehler: Tool nicht übernommen..."),
                                                     skippedToolsMessage(skipped), platform::MsgIcon::Error,
                                                     platform::MsgButtons::Ok);
}

QString skippedToolsMessage(const QList<ToolsGridRules::NumberedTool>& skipped)
{
    if (skipped.isEmpty())
        return {};
    const QChar cr(13);
    QString text = skipped.size() == 1 ? QStringLiteral("Folgendes Tool wurde nicht übernommen:")
                                       : QStringLiteral("Folgende Tools wurden nicht übernommen:");
    for (const ToolsGridRules::NumberedTool& row : skipped) {
        QString name = row.tool.name;
        name.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += cr + QStringLiteral("Zeile %1: \"%2\"").arg(row.row).arg(name);
    }
    text += cr + QStringLiteral("Ein Toolname darf kein \"=\" enthalten und nicht mit \";\" oder \"[\" "
                                "beginnen; Name und Befehl dürfen keinen Zeilenumbruch enthalten.");
    return text;
}

void TEinstellungenForm::ToolsGrid_OnSelectCell(int col, int row)
{
    rules_.selectCell(col, row);
}

void TEinstellungenForm::ToolsGrid_OnSetEditText(int col, int row, const QString& value)
{
    ToolsGrid->showCellText(col, row, value);
    rules_.setEditText(col, row, value);
}

void TEinstellungenForm::ButtonHinzufuegen_OnClick()
{
    rules_.addRow();
    ToolsGrid->syncFromRules();
}

void TEinstellungenForm::ButtonEntfernen_OnClick()
{
    rules_.removeRow();
    ToolsGrid->syncFromRules();
}

void TEinstellungenForm::ButtonVerschieben_OnClick(QObject* sender)
{
    using Move = ToolsGridRules::Move;
    if (sender == ButtonOben)
        rules_.move(Move::Up);
    else if (sender == ButtonUnten)
        rules_.move(Move::Down);
    else if (sender == ButtonLinks)
        rules_.move(Move::Left);
    else if (sender == ButtonRechts)
        rules_.move(Move::Right);
    ToolsGrid->syncFromRules();
}
