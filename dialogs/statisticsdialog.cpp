#include "dialogs/statisticsdialog.h"

#include "dialogs/dialogfont.h"
#include "dialogs/dialogplacement.h"
#include "platform/filefacts.h"

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

TStatistikForm::TStatistikForm(const IStatisticsDocument& document, QWidget* parent)
    : QDialog(parent, fixedDialogFlags()),
      document_(document)
{
    // OnCreate: the hourglass until the counting has finished (filling_).
    setObjectName(QStringLiteral("StatistikForm"));
    setWindowTitle(QStringLiteral("Statistik"));
    setFont(dialogFont());
    setModal(true);

    struct Row {
        int top;
        const char* caption;
        const char* valueName;
        QLabel** value;
    };
    const Row rows[] = {
        {8, "Dateiname:", "Label_Dateiname", &Label_Dateiname},
        {24, "Dateigröße:", "Label_DateiGroesse", &Label_DateiGroesse},
        {40, "Dateiattribute:", "Label_DateiAttribute", &Label_DateiAttribute},
        {56, "Erstelltungszeit:", "Label_Erstellungszeit", &Label_Erstellungszeit},
        {72, "Zuletzt gespeichert:", "Label_ZuletztGespeichert", &Label_ZuletztGespeichert},
        {88, "Letzter Zugriff:", "Label_LetzterZugriff", &Label_LetzterZugriff},
        {112, "Zeilenanzahl:", "Label_Zeilenanzahl", &Label_Zeilenanzahl},
        {128, "Wortanzahl:", "Label_Wortanzahl", &Label_Wortanzahl},
        {144, "Anzahl Leerzeichen:", "Label_AnzahlLeerzeichen", &Label_AnzahlLeerzeichen},
        {160, "Zeichenanzahl:", "Label_Zeichenanzahl", &Label_Zeichenanzahl},
    };
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    // The values start at 120 pixels, or further right where a caption needs the room.
    const QFontMetrics metrics(font());
    for (const Row& row : rows)
        valueLeft_ = std::max(valueLeft_, 8 + metrics.horizontalAdvance(QString::fromUtf8(row.caption)) + 8);
    // The design's 409 pixels, wider where the longest fixed value text needs more, with
    // 8 pixels of edge.
    const int width = std::max(409, valueLeft_ + metrics.horizontalAdvance(unsavedText()) + 2 + 8);
    setFixedSize(width, 232);

    for (const Row& row : rows) {
        auto* caption = new QLabel(QString::fromUtf8(row.caption), this);
        caption->adjustSize();
        caption->move(8, row.top);
        auto* value = new QLabel(QStringLiteral("?"), this);
        value->setObjectName(QLatin1String(row.valueName));
        value->setPalette(blue);
        value->setTextFormat(Qt::PlainText);
        value->adjustSize();
        value->move(valueLeft_, row.top);
        *row.value = value;
    }

    Button_Ok = new QPushButton(QStringLiteral("&Okay"), this);
    Button_Ok->setObjectName(QStringLiteral("Button_Ok"));
    Button_Ok->setGeometry(width - 137, 200, 129, 25);
    Button_Ok->setDefault(true);
    connect(Button_Ok, &QPushButton::clicked, this, &QDialog::accept);
    Button_Ok->setFocus();
    centreOnScreen(*this);
}

TStatistikForm::~TStatistikForm() = default;

void TStatistikForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The filling runs once the dialog is on screen, so that its repaints show.
    if (!filling_.done())
        QTimer::singleShot(0, this, &TStatistikForm::OnActivate);
}

void TStatistikForm::setValue(QLabel* label, const QString& text)
{
    // A text wider than the room up to the dialog's edge (a long path) is shortened in the
    // middle; the label's hint shows it whole.
    const int room = width() - valueLeft_ - 8;
    const QString shown = fontMetrics().horizontalAdvance(text) > room
                              ? fontMetrics().elidedText(text, Qt::ElideMiddle, room)
                              : text;
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
    label->adjustSize();
    if (label->width() > room)
        label->resize(room, label->height());
}

void TStatistikForm::OnActivate()
{
    // Runs from the event loop: an error ends the filling and is reported once the
    // hourglass has gone.
    filling_.run([this] { fill(); });
}

void TStatistikForm::fill()
{
    // The caption of a saved document is the full path of its file; anything else (a new
    // document's "<Unbenannt>") names no file.
    const QString caption = document_.caption();
    std::optional<platform::FileFacts> facts;
    if (QDir::isAbsolutePath(caption))
        facts = platform::fileFacts(caption);
    if (facts) {
        setValue(Label_DateiGroesse, FormatThousands(facts->size) + QStringLiteral(" Bytes."));
        setValue(Label_DateiAttribute, attributeWords(*facts));
        if (facts->created)
            setValue(Label_Erstellungszeit, formatFileTime(*facts->created));
        setValue(Label_ZuletztGespeichert, formatFileTime(facts->lastWritten));
        setValue(Label_LetzterZugriff, formatFileTime(facts->lastAccessed));
    }
    setValue(Label_Dateiname, facts ? caption : unsavedText());
    repaint();

    const qint64 lines = document_.lineCount();
    setValue(Label_Zeilenanzahl, FormatThousands(lines));
    const TextCounter counter = countDocument(document_);
    setValue(Label_Wortanzahl, formatWithLocaleSeparator(counter.words()));
    setValue(Label_AnzahlLeerzeichen, formatWithLocaleSeparator(counter.spaces()));
    setValue(Label_Zeichenanzahl, formatWithLocaleSeparator(counter.characters()));
    repaint();
}
