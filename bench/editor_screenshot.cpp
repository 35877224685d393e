// Shows the editor with German text, a selection and the selection bar and saves a
// picture of it: bench_editor_screenshot out.png (run under a display or Xvfb).
#include "platform/codepage1252.h"
#include "editor/texteditor.h"

#include <QApplication>
#include <QBuffer>
#include <QPixmap>
#include <QThread>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("editor.png");
    TTextEditor editor;
    editor.setWindowTitle(QStringLiteral("Varnotex – Editor"));
    editor.resize(640, 300);
    editor.setShowSelectionBar(true);
    editor.setUndoLimit(50);
    QByteArray text = platform::encode1252(QString::fromUtf8(
        "Sehr geehrte Frau Müller,\r\n"
        "\r\n"
        "für die Übersetzung berechnen wir 1.250,00 € zuzüglich Mehrwertsteuer.\r\n"
        "Die Lieferung erfolgt „frei Haus“ an die Adresse in der Hauptstraße 7.\r\n"
        "Rückfragen bitte an info@beispiel.de oder über http://www.beispiel.de/kontakt\r\n"
        "\tÄußerst wichtig:\tGrüße aus Köln – Öl, Größe, Maß.\r\n"
        "\r\n"
        "Mit freundlichen Grüßen\r\n"));
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    editor.Lines().LoadTextStream(buffer);
    editor.show();
    editor.setFocus();
    editor.setSelectionStart(int(editor.Lines().Text().indexOf("frei")) - 1);
    editor.setSelectionLength(11);
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    editor.Refresh();
    const bool ok = editor.grab().save(out);
    return ok ? 0 : 1;
}
