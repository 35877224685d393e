#include "editor/texteditor.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "platform/filetrust.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

using editor::EditOrigin;
using editor::TextBuffer;
using editor::TextChange;

namespace {

// Writes through an AtomicFileWriter, so that the stream routines can save into it.
class AtomicWriterDevice : public QIODevice {
public:
    explicit AtomicWriterDevice(platform::AtomicFileWriter& writer) : writer_(writer) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override { return writer_.write(data, size) ? size : -1; }

private:
    platform::AtomicFileWriter& writer_;
};

// 1234567 as "1.234.567".
QString groupedNumber(qint64 n)
{
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return digits;
}

// The save error with the file's name and, where the system said why, the reason.
QString saveFailedText(const QString& fileName, int error)
{
    const QString reason = platform::writeFailureReason(error);
    QString text = QStringLiteral("Das Speichern des Streams ist mißlungen.\rDatei \"%1\"").arg(fileName);
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return text;
}

const QString kLoadFailed = QStringLiteral("Das Laden des Streams ist mißlungen");
const QString kSaveFailed = QStringLiteral("Das Speichern des Streams ist mißlungen");

}  // namespace

// ---- Conversion ----

qint64 TConversion::ReadBlock(QIODevice& stream, char* buffer, qint64 size) { return stream.read(buffer, size); }

qint64 TConversion::WriteBlock(QIODevice& stream, const char* buffer, qint64 size) { return stream.write(buffer, size); }

const std::vector<TConversionFormat>& ConverterFormats()
{
    static const std::vector<TConversionFormat> formats{
        {QStringLiteral("txt"), [] { return std::make_unique<TConversion>(); }},
        {QStringLiteral("rtf"), [] { return std::make_unique<TConversion>(); }},
    };
    return formats;
}

// ---- Lines ----

int TTextEditorLines::LineCount() const
{
    const int n = editor_.displayLineCount();
    const int last = n - 1;
    return editor_.displayLineEnd(last) == editor_.displayLineStart(last) ? n - 1 : n;
}

QByteArray TTextEditorLines::LineText(int i) const
{
    if (!editor_.hasDisplayLine(i))
        return {};
    const int start = editor_.displayLineStart(i);
    return editor_.doc_.buffer().text(start, editor_.displayLineEnd(i) - start);
}

int TTextEditorLines::LineStart(int i) const
{
    if (!editor_.hasDisplayLine(i))
        return -1;
    return editor_.doc_.charPos(editor_.displayLineStart(i));
}

void TTextEditorLines::forEachBlock(const std::function<void(QByteArrayView)>& visit) const
{
    const TextBuffer& b = editor_.doc_.buffer();
    if (!b.partBeforeGap().isEmpty())
        visit(b.partBeforeGap());
    if (!b.partAfterGap().isEmpty())
        visit(b.partAfterGap());
}

QByteArray TTextEditorLines::Text() const { return editor_.doc_.buffer().text(); }

int TTextEditorLines::TextLength() const { return editor_.doc_.charLength(); }

void TTextEditorLines::InsertLine(int i, const QByteArray& s, bool undoable)
{
    if (i < 0)
        return;
    int p = editor_.hasDisplayLine(i) ? editor_.displayLineStart(i) : -1;
    const QByteArray line = editor_.doc_.utf8() ? editor::sanitizeUtf8(s) : s;
    QByteArray t;
    if (p >= 0) {
        t = line + TextBuffer::kBreak;
    } else {
        const int before = i - 1;
        if (!editor_.hasDisplayLine(before))
            return;
        p = editor_.displayLineStart(before);
        const int n = editor_.displayLineEnd(before) - p;
        if (n == 0)
            return;
        p += n;
        t = TextBuffer::kBreak + line;
    }
    const int oldAnchor = editor_.doc_.anchor();
    const int oldCaret = editor_.doc_.caret();
    TextChange change;
    try {
        change = editor_.doc_.replace(p, 0, t, EditOrigin::Command, undoable);
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(QStringLiteral("Fehler bei Einfügen von RichEdit-Zeile"));
    }
    editor_.applyChange(change, oldAnchor, oldCaret);
    if (editor_.doc_.selectionStart() != p + t.size())
        throw platform::OutOfResourcesError(QStringLiteral("Fehler bei Einfügen von RichEdit-Zeile"));
}

void TTextEditorLines::makeConverterFor(const QString& fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString extension = dot >= 0 ? name.mid(dot + 1).toLower() : QString();
    const auto& formats = ConverterFormats();
    auto it = std::find_if(formats.begin(), formats.end(),
                           [&](const TConversionFormat& f) { return f.Extension == extension; });
    activeConverter_ = (it != formats.end() ? *it : formats.front()).ConversionClass();
}

struct TTextEditorLines::ReadText {
    TextBuffer buffer;
    editor::TextEncoding encoding = editor::TextEncoding::Windows1252;
    bool byteOrderMark = false;
};

void TTextEditorLines::LoadTextFile(const QString& fileName) { loadTextFile(fileName, false); }

void TTextEditorLines::ReloadTextFile(const QString& fileName) { loadTextFile(fileName, true); }

void TTextEditorLines::loadTextFile(const QString& fileName, bool undoable)
{
    makeConverterFor(fileName);
    try {
        // Another user's link in a shared folder is not followed.
        const QString unsafe = platform::unsafeLinkProblem(fileName);
        if (!unsafe.isEmpty())
            throw platform::FileOpenError(unsafe);
        QFile file(fileName);
        // Only a regular file is read: a FIFO or a device would block or never end.
        if (!platform::isRegularFile(fileName) || !file.open(QIODevice::ReadOnly))
            throw platform::FileOpenError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(fileName));
        // A file larger than the text can hold: the user learns why, and what the limit is.
        if (file.size() > TextBuffer::kMaxLength)
            throw platform::OutOfResourcesError(
                QStringLiteral("Die Datei \"%1\" ist zu groß: %2 Bytes.\rDer Editor kann Dateien bis %3 Bytes (1 GB) laden")
                    .arg(fileName, groupedNumber(file.size()), groupedNumber(TextBuffer::kMaxLength)));
        if (!undoable) {
            LoadTextStream(file);
            return;
        }
        ReadText read = readTextStream(file);
        editor_.reloadBuffer(std::move(read.buffer), read.encoding, read.byteOrderMark);
    } catch (...) {
        activeConverter_.reset();
        throw;
    }
}

TConversion* TTextEditorLines::converterOrTemporary(std::unique_ptr<TConversion>& temporary) const
{
    if (activeConverter_)
        return activeConverter_.get();
    temporary = std::make_unique<TConversion>();
    return temporary.get();
}

void TTextEditorLines::LoadTextStream(QIODevice& stream)
{
    ReadText read = readTextStream(stream);
    editor_.loadBuffer(std::move(read.buffer), read.encoding, read.byteOrderMark);
}

TTextEditorLines::ReadText TTextEditorLines::readTextStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = converterOrTemporary(temporary);
    try {
        const qint64 size = stream.isSequential() ? 0 : stream.size();
        // A file larger than the text can ever hold is refused before anything is read.
        if (!stream.isSequential() && size - stream.pos() > TextBuffer::kMaxLength)
            throw std::length_error("text too long");
        TextBuffer buffer;
        buffer.beginLoad(stream.isSequential() ? 0 : size - stream.pos());
        // The encoding is decided as the bytes pass: a byte order mark at the start is
        // held back from the text, and the bytes are checked for UTF-8 while they are in
        // the cache.
        editor::Utf8Validator validator;
        QByteArray head;  // the first bytes, until it is clear whether they are a mark
        bool headDone = false;
        // Read in blocks small enough to stay in the processor's cache while they are
        // converted into the buffer.
        constexpr qint64 kBlock = 256 * 1024;
        QByteArray block(kBlock, Qt::Uninitialized);
        for (;;) {
            emit editor_.OnLoadProgress(stream.pos(), size);
            const qint64 n = converter->ReadBlock(stream, block.data(), kBlock);
            if (n < 0)
                throw platform::OutOfResourcesError(kLoadFailed);
            if (n == 0)
                break;
            QByteArrayView bytes(block.constData(), n);
            if (!headDone) {
                const qsizetype take = std::min<qsizetype>(3 - head.size(), bytes.size());
                head.append(bytes.first(take));
                bytes = bytes.sliced(take);
                if (head.size() < 3)
                    continue;
                headDone = true;
                if (head != QByteArrayView(editor::kUtf8Mark, 3)) {
                    validator.feed(head);
                    buffer.appendRaw(head.constData(), head.size());
                }
            }
            validator.feed(bytes);
            buffer.appendRaw(bytes.data(), bytes.size());
        }
        const bool mark = headDone && head == QByteArrayView(editor::kUtf8Mark, 3);
        if (!headDone) {
            validator.feed(head);
            buffer.appendRaw(head.constData(), head.size());
        }
        buffer.finishLoad();
        const bool utf8 = validator.valid() && (mark || validator.sawNonAscii());
        if (mark && !utf8)
            buffer.insert(0, QByteArrayView(editor::kUtf8Mark, 3), editor::BreakKind::CrLf);  // a 1252 text after all
        return ReadText{std::move(buffer), utf8 ? editor::TextEncoding::Utf8 : editor::TextEncoding::Windows1252,
                        mark && utf8};
    } catch (const std::length_error&) {
        throw platform::OutOfResourcesError(kLoadFailed);
    } catch (const std::bad_alloc&) {
        throw platform::OutOfResourcesError(kLoadFailed);
    }
}

void TTextEditorLines::SaveTextFile(const QString& fileName)
{
    makeConverterFor(fileName);
    try {
        platform::AtomicFileWriter writer(fileName);
        if (!writer.open()) {
            const QString unsafe = platform::unsafeLinkProblem(fileName);
            if (!unsafe.isEmpty())
                throw platform::FileCreateError(unsafe);
            throw platform::FileCreateError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(fileName));
        }
        AtomicWriterDevice device(writer);
        device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        try {
            SaveTextStream(device);
        } catch (const platform::OutOfResourcesError&) {
            throw platform::OutOfResourcesError(saveFailedText(fileName, writer.error()));
        }
        if (!writer.commit())
            throw platform::OutOfResourcesError(saveFailedText(fileName, writer.error()));
    } catch (...) {
        activeConverter_.reset();
        throw;
    }
}

void TTextEditorLines::SaveTextStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = converterOrTemporary(temporary);
    if (editor_.doc_.byteOrderMark() && converter->WriteBlock(stream, editor::kUtf8Mark, 3) != 3)
        throw platform::OutOfResourcesError(kSaveFailed);
    const bool ok = editor_.doc_.buffer().write([&](const char* data, qint64 size) {
        if (converter->WriteBlock(stream, data, size) != size)
            return false;
        emit editor_.OnSaveProgress(stream.pos(), stream.isSequential() ? stream.pos() : stream.size());
        return true;
    });
    if (!ok)
        throw platform::OutOfResourcesError(kSaveFailed);
}
