#pragma once

#include <QAccessibleWidget>
#include <QString>

class TCustomTextEditor;

// What assistive technology sees of the editor: an editable text with its caret,
// selection and character rectangles. Positions are the editor's character positions;
// a line break counts as one character and reads as "\n".
class TTextEditorAccessible : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface {
public:
    explicit TTextEditorAccessible(TCustomTextEditor* editor);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    TCustomTextEditor* editor() const;
    // The bounds [*start, *end) of the piece of the given kind that holds offset.
    void boundsAt(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const;
};

// Registers the editor's accessible interface with Qt's accessibility framework (once).
void installTextEditorAccessibility();

// Where the editor's accessibility events go: to Qt's accessibility framework while
// assistive technology listens, or to a sink a test puts in (nullptr restores Qt's).
using AccessibleEventSink = void (*)(QAccessibleEvent* event);
void setAccessibleEventSink(AccessibleEventSink sink);

// Told by the editor; the events are made only while somebody listens.
void notifyAccessibleTextChange(TCustomTextEditor* editor, int pos, int removed, int inserted);
void notifyAccessibleCaret(TCustomTextEditor* editor, int oldAnchor, int oldCaret);
