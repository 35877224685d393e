#include "dialogs/toolsgrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// The in-place editor: a line edit that reports every change of its text at once.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TToolsGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const QPersistentModelIndex cell(index);
        TToolsGrid* grid = grid_;
        QObject::connect(editor, &QLineEdit::textEdited, grid, [grid, cell](const QString& text) {
            if (cell.isValid())
                emit grid->editTextChanged(cell.column(), cell.row() + 1, text);
        });
        Q_UNUSED(option);
        return editor;
    }

    // The cell's text is handed over after every key, so the cell is written while its
    // editor is open; the editor keeps its text and caret unless the cell really differs.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            if (line->text() == index.data(Qt::EditRole).toString())
                return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                // Esc closes the dialog as "&Abbrechen" does, whatever is being edited.
                grid_->pressCancelButton();
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && grid_->defaultButtonEnabled()) {
                grid_->pressDefaultButton();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TToolsGrid* grid_;
};

}  // namespace

TToolsGrid::TToolsGrid(ToolsGridRules& rules, QWidget* parent) : QTableWidget(parent), rules_(rules)
{
    setColumnCount(ToolsGridRules::ColCount);
    setItemDelegate(new CellDelegate(this));
    setAccessibleName(QStringLiteral("Externe Programme"));
    horizontalHeader()->setAccessibleName(QStringLiteral("Spalten"));
    verticalHeader()->setAccessibleName(QStringLiteral("Zeilen"));
    verticalHeader()->hide();  // no fixed column
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(16);
    verticalHeader()->setDefaultSectionSize(16);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setFixedHeight(16);
    horizontalHeader()->setDefaultSectionSize(150);
    setColumnWidth(0, 150);
    setColumnWidth(1, 150);
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setDragEnabled(false);

    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (!syncing_ && row >= 0 && col >= 0)
            emit cellSelected(col, row + 1);
    });
    syncFromRules();
}

void TToolsGrid::pressDefaultButton()
{
    if (defaultButtonEnabled())
        defaultButton_->click();
}

void TToolsGrid::pressCancelButton()
{
    if (cancelButton_ && cancelButton_->isEnabled())
        cancelButton_->click();
}

void TToolsGrid::syncFromRules()
{
    syncing_ = true;
    const int rows = rules_.rowCount() - 1;
    setHorizontalHeaderLabels({rules_.cell(0, 0), rules_.cell(1, 0)});
    setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < ToolsGridRules::ColCount; ++col)
            showCellText(col, row + 1, rules_.cell(col, row + 1));
    }
    setCurrentCell(rules_.currentRow() - 1, rules_.currentCol());
    syncing_ = false;
}

void TToolsGrid::showCellText(int col, int row, const QString& text)
{
    QTableWidgetItem* cell = item(row - 1, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row - 1, col, cell);
    }
    if (cell->text() != text)
        cell->setText(text);
    // A screen reader names the cell by its column and row, then reads its text.
    const QString name = QStringLiteral("%1, Zeile %2: %3").arg(rules_.cell(col, 0)).arg(row).arg(text);
    if (cell->data(Qt::AccessibleTextRole).toString() != name)
        cell->setData(Qt::AccessibleTextRole, name);
}

void TToolsGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter belongs to the default button while it can be pressed; otherwise it
        // starts editing the current cell.
        if (defaultButtonEnabled()) {
            pressDefaultButton();
            return;
        }
        if (state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
            edit(currentIndex());
            event->accept();
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}
