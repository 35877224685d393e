#pragma once

#include "dialogs/toolsgridrules.h"

#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

// The table of the "Tools" page: a thin view over ToolsGridRules. Its header row is the
// rules' row 0, so view row r shows rules row r + 1. The in-place editor hands its text
// over after every change; Enter goes to the dialog's default button while that is
// enabled, and otherwise starts or ends the editing of the current cell.
class TToolsGrid : public QTableWidget {
    Q_OBJECT
public:
    TToolsGrid(ToolsGridRules& rules, QWidget* parent = nullptr);

    // The button that Enter presses while it is enabled.
    void setDefaultButton(QPushButton* button) { defaultButton_ = button; }
    // The button that Esc presses, also while a cell is being edited.
    void setCancelButton(QPushButton* button) { cancelButton_ = button; }
    void pressCancelButton();
    bool defaultButtonEnabled() const { return defaultButton_ && defaultButton_->isEnabled(); }
    void pressDefaultButton();

    // Shows the rules' rows and current cell again, without reporting a selection.
    void syncFromRules();

    // A cell is being edited in place.
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    // Writes a cell's text into the view only (the rules already hold it).
    void showCellText(int col, int row, const QString& text);

signals:
    // The user made cell (col, row) current; rows counted as in the rules.
    void cellSelected(int col, int row);
    // The in-place editor's text changed; rows counted as in the rules.
    void editTextChanged(int col, int row, const QString& value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ToolsGridRules& rules_;
    QPointer<QPushButton> defaultButton_;
    QPointer<QPushButton> cancelButton_;
    bool syncing_ = false;
};
