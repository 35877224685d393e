#pragma once

#include "editor/links.h"
#include "editor/textdocument.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QIODevice>
#include <QTimer>

class QMimeData;
class QPainter;

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomTextEditor;

// Moves bytes between a stream and the editor unchanged.
class TConversion {
public:
    virtual ~TConversion() = default;
    // Reads up to size bytes from the stream's current position; the number read, -1 on an error.
    virtual qint64 ReadBlock(QIODevice& stream, char* buffer, qint64 size);
    // Writes size bytes; the number written, -1 on an error.
    virtual qint64 WriteBlock(QIODevice& stream, const char* buffer, qint64 size);
};

// One entry of the converter list: a file extension (lower case, no dot) and the class
// that converts files of that kind.
struct TConversionFormat {
    QString Extension;
    std::function<std::unique_ptr<TConversion>()> ConversionClass;
};

// "txt" and "rtf", both plain byte-for-byte conversions; "txt" also serves every other extension.
const std::vector<TConversionFormat>& ConverterFormats();

// The editor's text as lines of bytes in the document's encoding (the Lines property).
// With word wrap on, the lines are the lines as displayed. Positions and lengths count
// characters.
class TTextEditorLines {
public:
    explicit TTextEditorLines(TCustomTextEditor& editor) : editor_(editor) {}

    // Lines, not counting a last line that is empty.
    int LineCount() const;
    // The text of line i without its break; empty for a line the text does not have.
    QByteArray LineText(int i) const;
    // The position of line i's first character; -1 for a line the text does not have.
    int LineStart(int i) const;
    // Inserts s as a new line in front of line i; one past the last line, appends it
    // when that last line is not empty. Not undoable unless asked: then it is one undo
    // step and the earlier steps stay. Throws platform::OutOfResourcesError
    // "Fehler bei Einfügen von RichEdit-Zeile" when the caret does not end up behind
    // the inserted text (s held a line break of two characters, for example).
    void InsertLine(int i, const QByteArray& s, bool undoable = false);

    // The whole text with every break as a single CR, in the blocks it lies in, in order.
    void forEachBlock(const std::function<void(QByteArrayView)>& visit) const;
    // The whole text with every break as a single CR, and its length.
    QByteArray Text() const;
    int TextLength() const;

    // Replaces the whole text with the file's bytes and recognises their encoding: UTF-8
    // when, behind an optional UTF-8 byte order mark, they are valid UTF-8 and either had
    // the mark or hold a byte of 0x80 or above; Windows-1252 otherwise. The mark is not
    // part of the text and is written back on saving. Throws platform::FileOpenError
    // "Datei %s kann nicht geöffnet werden", or platform::OutOfResourcesError
    // "Das Laden des Streams ist mißlungen" when reading fails part-way (the text is then
    // left as it was).
    void LoadTextFile(const QString& fileName);
    // Reads the file again as LoadTextFile does, but as one undo step: undoing brings back
    // the text as it was before, with its encoding. Throws as LoadTextFile does, the text
    // then left as it was.
    void ReloadTextFile(const QString& fileName);
    // Writes the whole text into the file, each break as it was loaded, through a
    // temporary file that replaces the target only when complete. Throws
    // platform::FileCreateError "Datei %s kann nicht erstellt werden" or
    // platform::OutOfResourcesError "Das Speichern des Streams ist mißlungen"; the old
    // file then stays as it was.
    void SaveTextFile(const QString& fileName);
    void LoadTextStream(QIODevice& stream);
    void SaveTextStream(QIODevice& stream);

    TConversion* ActiveConverter() const { return activeConverter_.get(); }

private:
    void makeConverterFor(const QString& fileName);
    // Reads a whole stream into a buffer and recognises its encoding.
    struct ReadText;
    ReadText readTextStream(QIODevice& stream);
    void loadTextFile(const QString& fileName, bool undoable);
    // The active converter; without one, a plain one made into temporary.
    TConversion* converterOrTemporary(std::unique_ptr<TConversion>& temporary) const;

    TCustomTextEditor& editor_;
    std::unique_ptr<TConversion> activeConverter_;
};

// A multi-line plain-text editor over a text buffer that holds the file's bytes, in
// Windows-1252 or UTF-8. Positions count characters (in UTF-8 code points, never bytes)
// with a line break as one character; text goes in and out as bytes in the document's
// own encoding with every break as a single CR.
//
// Its members live in files named after what a reader looks for: texteditor.cpp
// (construction, properties, editing, printing), texteditorlayout.cpp (display lines and
// word wrap), texteditorpainting.cpp, texteditorselection.cpp (selection, caret and words),
// texteditorinput.cpp (keyboard, input method and mouse) and texteditorlinks.cpp; the
// Lines property is in texteditorlines.cpp.
class TCustomTextEditor : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TCustomTextEditor(QWidget* parent = nullptr);
    ~TCustomTextEditor() override;

    bool TextModified() const { return doc_.modified(); }
    void setTextModified(bool modified) { doc_.setModified(modified); }
    bool ReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    // Changing these three to a different value keeps the text and the modified flag
    // and empties the undo and redo history.
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool wordWrap);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void setScrollBars(TScrollStyle style);
    bool ShowSelectionBar() const { return showSelectionBar_; }
    void setShowSelectionBar(bool show);
    TAutoURLDetect AutoURLDetect() const { return autoURLDetect_; }
    void setAutoURLDetect(TAutoURLDetect mode);
    // 0 until set; an editor whose limit was never set keeps 100 steps.
    int UndoLimit() const { return undoLimit_; }
    void setUndoLimit(int limit);

    int SelectionStart() const { return doc_.charPos(doc_.selectionStart()); }
    void setSelectionStart(int pos);
    int SelectionLength() const { return doc_.charCount(doc_.selectionStart(), doc_.selectionLength()); }
    void setSelectionLength(int length);  // scrolls the caret into view
    QByteArray SelectionText() const;
    void setSelectionText(const QByteArray& text);
    int CaretLine() const;
    void setCaretLine(int line);
    int CaretColumn() const;
    void setCaretColumn(int column);

    bool UndoAvailable() const { return doc_.canUndo(); }
    void UndoLastStep();
    bool RedoAvailable() const { return doc_.canRedo(); }
    void RedoLastStep();
    void CutSelection();
    void CopySelection();
    void PasteClipboard();
    void DeleteSelection();
    void SelectWholeText();

    TTextEditorLines& Lines() { return lines_; }
    const TTextEditorLines& Lines() const { return lines_; }

    // Prints the whole text as one job named title on the printer service's current printer.
    void PrintText(const QString& title);
    // Paints pending changes at once.
    void Refresh();
    // Inserting (true) or overwriting; the Insert key switches.
    bool InsertMode() const { return insertMode_; }

    TURLCollection& CustomURLs() { return customURLs_; }
    void setCustomURLs(const TURLCollection& urls);
    QColor URLColor() const { return urlColor_; }
    void setURLColor(const QColor& color);
    int URLCursor() const { return urlCursor_; }
    void setURLCursor(int cursor) { urlCursor_ = cursor; }
    std::pair<int, int> LastChangeRange() const
    {
        return {doc_.charPos(lastChangeRange_.first), doc_.charPos(lastChangeRange_.second)};
    }

    // The encoding of the text: that its file was recognised in, or for a new text the
    // one set here (only while the text is empty and unmodified).
    editor::TextEncoding Encoding() const { return doc_.encoding(); }
    bool ByteOrderMark() const { return doc_.byteOrderMark(); }
    void setNewTextEncoding(editor::TextEncoding encoding);
    // Takes over a text rebuilt elsewhere (from a recovery journal): like a load, but the
    // text counts as modified.
    void LoadRecoveredText(editor::TextBuffer&& buffer, editor::TextEncoding encoding, bool byteOrderMark);
    // Text to and from the document's own bytes.
    QByteArray encodeText(QStringView text) const { return editor::encodeText(text, doc_.encoding()); }
    QString decodeText(QByteArrayView bytes) const { return editor::decodeText(bytes, doc_.encoding()); }

    // Asked, with the first character that Windows-1252 cannot hold, before such text
    // enters a Windows-1252 text by typing, paste, drop or input method; the handler may
    // convert the text (ConvertToUtf8) before it goes in.
    void setUnrepresentableHandler(std::function<void(const QString&)> handler) { unrepresentable_ = std::move(handler); }
    // Text as it enters the document: the handler above asked first where it must be.
    QByteArray encodeEntering(QStringView text);
    // A Windows-1252 text becomes UTF-8 as one undo step; false when it is UTF-8 already.
    bool ConvertToUtf8();
    // The first character of text that Windows-1252 cannot hold; empty when there is none.
    static QString firstUnrepresentable(QStringView text);

    // A freshly loaded Windows-1252 text of pure ASCII is taken as UTF-8 (its bytes are
    // the same); false when the text holds other bytes or is UTF-8 already.
    bool TakeAsciiAsUtf8();
    // The size of the screen font in points (0: the font the editor was made with); printing keeps the font the editor was made with.
    void setFontPointSize(int points);
    int FontPointSize() const;

    // Called from an OnKeyDown handler: the editor leaves the key alone.
    void SuppressCurrentKey() { keySuppressed_ = true; }

    // For tests and the document window: the link under a point of the viewport, empty when none.
    QString linkAt(const QPoint& viewportPos) const;
    // Lines as displayed; the caret's display line; the first visible one.
    int firstVisibleLine() const;
    QRect caretRect() const;  // in viewport coordinates
    QRect positionRect(int pos) const;  // the caret's rectangle were it at pos (a character position)
    const editor::TextBuffer& buffer() const { return doc_.buffer(); }
    // The end of the selection that moves, and the one that stays; the position nearest to
    // a point of the viewport.
    int CaretPosition() const { return doc_.charPos(doc_.caret()); }
    int AnchorPosition() const { return doc_.charPos(doc_.anchor()); }
    int PositionAt(const QPoint& viewportPos) const { return doc_.charPos(posAtPoint(viewportPos)); }
    // Character positions of the contract and byte positions of buffer() (the same in a
    // Windows-1252 text).
    int charPosOf(int bytePos) const { return doc_.charPos(bytePos); }
    int bytePosOf(int charPos) const { return doc_.bytePos(charPos); }
    // Text an input method is composing, shown at the caret but not yet part of the text.
    QString PreeditText() const { return preedit_; }

signals:
    // Every edit, before OnChange, in byte positions of buffer(): [pos, pos+removed) of the
    // old text became [pos, pos+inserted). A load reports no edit.
    void OnTextEdit(int pos, int removed, int inserted);
    void OnChange();
    void OnSelectionChange();
    void OnKeyDown(QKeyEvent* event);
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnURLClick(const QString& url);
    void OnURLMove(const QString& url);
    void OnLoadProgress(qint64 pos, qint64 size);
    void OnSaveProgress(qint64 pos, qint64 size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TTextEditorLines;
    // True for text from outside that a drop may insert here (never files, never while read-only).
    bool takesDrop(const QMimeData* data) const;

    // Lines as displayed: the buffer's lines, or their wrapped pieces with word wrap on.
    // Each is exact whenever it is called; with word wrap on it wraps as far as it needs.
    int displayLineCount() const;
    int displayLineStart(int line) const;
    int displayLineEnd(int line) const;  // before its break, or where the next piece begins
    int displayLineOf(int pos) const;
    bool endsWithBreak(int line) const;
    bool hasDisplayLine(int line) const;       // wraps only as far as line
    int clampDisplayLine(int line) const;      // to [0, last line], wrapping only as far as line
    int estimatedDisplayLineCount() const;     // exact once the whole text is wrapped

    // Layout
    void updateMetrics();
    qreal charWidth(unsigned char c) const { return widths_[c]; }
    qreal advance(unsigned char c, qreal x) const;
    // x behind the character at byte position p; in UTF-8 the bytes after a character's
    // first one add nothing.
    qreal advanceAt(int p, qreal x) const;
    qreal utf8Width(int p) const;
    bool isContinuation(int p) const { return doc_.utf8() && editor::isUtf8Continuation(doc_.buffer().at(p)); }
    int nextCharPos(int p) const;  // byte position of the character after the one at p
    int prevCharPos(int p) const;
    bool wordByte(unsigned char c) const;
    QRect byteRect(int pos) const;
    qreal xOf(int pos) const;                 // from the start of its display line
    int posAt(int line, qreal x) const;       // nearest position to x in the display line
    int posAtPoint(const QPoint& viewportPos) const;
    qreal textLeft() const;                   // viewport x of column 0, scrolling included
    int visibleLineCount() const;
    qreal wrapWidth() const;

    // Word wrap works from the start of the text on: wrapStarts_ holds the starts of the
    // display lines wrapped so far and wrapEnd_ the start of the next one, until wrapDone_.
    // What is shown is wrapped at once; the rest follows in slices while the program is
    // idle, or at once when an exact answer needs it.
    // The start of the display line after the one at start, which lies in buffer line
    // *line; -1 at the end. *line becomes the buffer line of the start returned.
    int nextRowStart(int start, int* line) const;
    void wrapUntil(int pos, int rows) const;  // until a line starts behind pos and rows lines are known
    void rewrapAll();
    void rewrapAfter(const editor::TextChange& change);
    void wrapInBackground();
    void scheduleWrap();
    void updateScrollBars();
    void ensureCaretVisible();
    void recomputeLongestLine();

    // Editing
    void applyChange(const editor::TextChange& change, int oldAnchor, int oldCaret);
    void replaceSelectionWith(const QByteArray& text, editor::EditOrigin origin);
    void insertTyped(const QByteArray& text);
    void moveTo(int pos, bool extend);
    void setSelectionInternal(int anchor, int caret, bool scroll);
    void emitSelectionIfChanged(int oldAnchor, int oldCaret);
    void resetLayoutKeepingText();
    void handleKey(QKeyEvent* event);
    void handleMovementKey(QKeyEvent* event, bool* handled);
    int wordStartBefore(int pos) const;
    int wordEndAfter(int pos) const;
    std::pair<int, int> wordAt(int pos) const;
    void copyToClipboard(bool selectionClipboard) const;
    void pasteText(const QString& text, int pos);
    void loadBuffer(editor::TextBuffer&& buffer, editor::TextEncoding encoding = editor::TextEncoding::Windows1252,
                    bool byteOrderMark = false);
    // Puts a text read again in place of the whole text, as one undo step.
    void reloadBuffer(editor::TextBuffer&& buffer, editor::TextEncoding encoding, bool byteOrderMark);
    void forgetLayoutCaches();
    QByteArray selectedBytes() const;

    // Links. A line up to kLinkLineLimit characters is scanned whole and its marks kept
    // until the next edit. Of a longer line only the part asked for is scanned, widened to
    // the white space around it (links never cross white space); those stretches are kept
    // with their marks in text positions, and an edit drops only those it touches.
    static constexpr int kLinkLineLimit = 16 * 1024;
    struct LineLinks {
        int lineStart;
        std::vector<LinkMark> marks;
    };
    struct StretchLinks {
        int from;  // text positions; white space or a line's end on either side
        int to;
        std::vector<LinkMark> marks;  // starts in text positions
    };
    mutable std::vector<StretchLinks> stretchLinks_;
    void linksAfterChange(const editor::TextChange& change);
    std::vector<LinkMark> linksIn(int bufferLine, int from, int to) const;  // marks touching columns [from, to)
    const std::vector<LinkMark>& linksOfShortLine(int bufferLine) const;
    bool linkAtPos(int pos, int* start, int* length, int* entry) const;
    void updateHoverCursor(const QPoint& viewportPos);
    QColor linkColor(int entry) const;
    bool linkUnderlined(int entry) const;

    void restartBlink();
    void paintPreedit(QPainter& painter);

    QString preedit_;
    int preeditCursor_ = 0;  // in preedit_
    std::function<void(const QString&)> unrepresentable_;
    QFont printFont_;
    void resetAfterEncodingChange();

    editor::TextDocument doc_;
    TTextEditorLines lines_;

    bool readOnly_ = false;
    bool wordWrap_ = false;
    TScrollStyle scrollBars_ = ssBoth;
    bool showSelectionBar_ = false;
    TAutoURLDetect autoURLDetect_ = adDefault;
    int undoLimit_ = 0;
    bool insertMode_ = true;
    bool keySuppressed_ = false;

    TURLCollection customURLs_;
    QColor urlColor_ = QColor(0, 0, 255);
    int urlCursor_ = crHandPoint;
    std::pair<int, int> lastChangeRange_{0, 0};
    mutable std::unordered_map<int, LineLinks> linkCache_;
    QString hoverLink_;

    qreal widths_[256] = {};
    qreal tabWidth_ = 64;
    int lineHeight_ = 13;
    int ascent_ = 10;
    qreal averageWidth_ = 7;
    qreal minWidth_ = 1;  // of the narrowest character
    qreal maxWidth_ = 1;  // of the widest character but the tab

    // Checkpoints of long display lines: the x of a character about every kCheckpointStep
    // characters, so that long lines are measured from the nearest checkpoint rather
    // than from their start. An edit inside such a line measures only the edited part
    // again and shifts what follows; behind a tab the shift is measured anew as far as
    // it changes anything.
    struct XCheckpoints {
        int start = -1;
        int length = 0;
        std::vector<int> offsets;          // from start; the first is 0
        std::vector<qreal> xs;
        std::vector<unsigned char> tabs;   // whether a tab lies between a checkpoint and the next
    };
    static constexpr int kCheckpointStep = 1024;
    std::pair<int, qreal> checkpointAtPos(int start, int end, int pos) const;
    std::pair<int, qreal> checkpointBeforeX(int start, int end, qreal x) const;
    const XCheckpoints* checkpoints(int start, int end) const;
    qreal measureCheckpoints(XCheckpoints& c, int from, qreal x, int to) const;
    void updateCheckpoints(const editor::TextChange& change);
    bool editCheckpoints(XCheckpoints& c, int offset, int removed, int inserted) const;
    mutable std::vector<XCheckpoints> xCache_;
    mutable std::unordered_map<char32_t, qreal> utf8Widths_;

    mutable std::vector<int> wrapStarts_;
    mutable int wrapEnd_ = 0;
    mutable int wrapEndLine_ = 0;  // the buffer line that holds wrapEnd_
    mutable bool wrapDone_ = false;
    qreal wrappedWidth_ = -1;
    QTimer wrapTimer_;
    int longestLine_ = 0;          // characters of the longest buffer line
    qreal preferredX_ = -1;        // x the caret keeps on vertical moves

    bool caretVisible_ = true;
    QTimer blinkTimer_;
    bool dragging_ = false;
    bool draggingLines_ = false;
    int dragOrigin_ = 0;
    int pressPos_ = -1;
};

// The editor with the values a document window gives it.
class TTextEditor : public TCustomTextEditor {
    Q_OBJECT

public:
    explicit TTextEditor(QWidget* parent = nullptr);
};
