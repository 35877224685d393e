#include "app/frametoolbars.h"
#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/statisticsdialog.h"
#include "dialogs/toolsgrid.h"
#include "document/editorstatistics.h"
#include "framefixture.h"
#include "toolbars/toolbarbutton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

namespace {

QString accessibleName(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Every control a user can reach below root names itself to a screen reader.
QStringList unnamedControls(QWidget* root)
{
    QStringList unnamed;
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                             qobject_cast<QAbstractItemView*>(w) || qobject_cast<TCustomTextEditor*>(w) ||
                             qobject_cast<QTabBar*>(w);
        if (!control || !w->isVisibleTo(root))
            continue;
        // The line edit inside a combo box or spin box is named through its owner.
        if (qobject_cast<QLineEdit*>(w) && (qobject_cast<QComboBox*>(w->parent()) || qobject_cast<QAbstractSpinBox*>(w->parent())))
            continue;
        if (accessibleName(w).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
    }
    return unnamed;
}

class AccessibleNames : public FrameTest {
protected:
    void SetUp() override
    {
        QAccessible::setActive(true);
        FrameTest::SetUp();
    }
};

TEST_F(AccessibleNames, ToolbarButtonsAreNamedByTheirHints)
{
    newDocument();
    for (QAction* show : {frame->MainMenu_Optionen_ToolbarDateiEinblenden, frame->MainMenu_Optionen_ToolbarBearbeitenEinblenden,
                          frame->MainMenu_Optionen_ToolbarMarkierungEinblenden, frame->MainMenu_Optionen_ToolbarSuchenEinblenden,
                          frame->MainMenu_Optionen_ToolbarOptionenEinblenden, frame->MainMenu_Optionen_ToolbarFensterEinblenden}) {
        if (!show->isChecked())
            show->trigger();
    }
    QApplication::processEvents();
    const auto buttons = frame->findChildren<TToolbarButton*>();
    ASSERT_GE(buttons.size(), 21);
    for (TToolbarButton* button : buttons) {
        ASSERT_FALSE(button->hint().isEmpty());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button);
        EXPECT_EQ(iface->text(QAccessible::Name), button->hint());
    }
    const QStringList unnamed = unnamedControls(frame.get());
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
}

TEST_F(AccessibleNames, StatusPanelsReadTheirTextAndTheEditorItsText)
{
    TMainChildForm* child = openFile(QStringLiteral("brief.txt"), "Hallo\r\nWelt");
    type(child, QStringLiteral("x"));
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(child->StatusBar);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::StatusBar);
    ASSERT_EQ(bar->childCount(), child->StatusBar->panelCount());
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface* panel = bar->child(i);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->role(), QAccessible::StaticText);
        EXPECT_EQ(panel->text(QAccessible::Name), child->StatusBar->panelText(i));
        EXPECT_EQ(panel->parent(), bar);
        EXPECT_EQ(bar->indexOfChild(panel), i);
    }
    // "Modifiziert" shows in a panel, and the reader hears it there.
    EXPECT_TRUE(child->StatusBar->panelText(1).contains(QStringLiteral("Modifiziert")) ||
                child->StatusBar->panelText(0).contains(QStringLiteral("Modifiziert")) ||
                child->StatusBar->panelText(2).contains(QStringLiteral("Modifiziert")));

    QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(child->RichEdit);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->role(), QAccessible::EditableText);
    EXPECT_FALSE(editor->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(editor->textInterface()->text(0, 7), QStringLiteral("xHallo\n"));
    EXPECT_EQ(editor->textInterface()->cursorPosition(), 1);
    const QStringList unnamed = unnamedControls(child);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
}

TEST_F(AccessibleNames, DialogControlsAndGridCellsAreNamed)
{
    TEinstellungenForm settings(*frame);
    settings.show();
    QApplication::processEvents();
    // Every page, not only the first.
    for (QTabWidget* tabs : settings.findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            const QStringList unnamed = unnamedControls(&settings);
            EXPECT_TRUE(unnamed.isEmpty()) << tabs->tabText(i).toStdString() << ": "
                                           << unnamed.join(QStringLiteral(", ")).toStdString();
        }
    }
    TToolsGrid* grid = settings.findChild<TToolsGrid*>();
    ASSERT_NE(grid, nullptr);
    ASSERT_GE(grid->rowCount(), 1);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    QAccessibleInterface* cell = table->tableInterface()->cellAt(0, 1);
    ASSERT_NE(cell, nullptr);
    const QString column = grid->horizontalHeaderItem(1)->text();
    EXPECT_TRUE(cell->text(QAccessible::Name).startsWith(column + QStringLiteral(", Zeile 1"))) << cell->text(QAccessible::Name).toStdString();

    TInfosForm about;
    about.show();
    QApplication::processEvents();
    QStringList unnamed = unnamedControls(&about);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();

    TMainChildForm* child = openFile(QStringLiteral("zahlen.txt"), "eins zwei");
    EditorStatisticsDocument doc(child->windowTitle(), child->RichEdit->Lines());
    TStatistikForm statistics(doc);
    statistics.show();
    QApplication::processEvents();
    unnamed = unnamedControls(&statistics);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();

    TFindDialog find(frame.get());
    find.show();
    QApplication::processEvents();
    unnamed = unnamedControls(&find);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
}

}  // namespace
