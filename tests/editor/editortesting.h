#pragma once

#include "editor/texteditor.h"

#include <QBuffer>
#include <QSignalSpy>
#include <memory>

// An editor of a fixed size on the offscreen platform, loaded with the given file bytes.
inline std::unique_ptr<TTextEditor> makeEditor(const QByteArray& fileBytes = {}, QSize size = QSize(400, 300))
{
    auto editor = std::make_unique<TTextEditor>();
    editor->resize(size);
    editor->show();
    QByteArray data = fileBytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    editor->Lines().LoadTextStream(buffer);
    return editor;
}

// What the editor would write into a file.
inline QByteArray savedBytes(TTextEditor& editor)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    editor.Lines().SaveTextStream(buffer);
    return data;
}
