#include "dialogs/aboutbox.h"

#include "dialogs/dialogfont.h"
#include "dialogs/dialogplacement.h"

#include <QFile>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel* titleLayer(QWidget* panel, const char* name, int left, int top, const QColor& colour, bool opaque)
{
    auto* label = new QLabel(QStringLiteral("Varnotex"), panel);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(left, top, 215, 24);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setPixelSize(21);
    label->setFont(font);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
    // The lowest layer paints the panel's colour; the two above let it show through.
    label->setAutoFillBackground(opaque);
    label->setAttribute(Qt::WA_TranslucentBackground, !opaque);
    return label;
}

QLabel* textLine(QWidget* parent, const char* name, const QString& text, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->adjustSize();
    label->move(8, top);
    return label;
}

}  // namespace

TInfosForm::TInfosForm(QWidget* parent)
    : QDialog(parent, fixedDialogFlags())
{
    setObjectName(QStringLiteral("InfosForm"));
    setWindowTitle(QStringLiteral("Infos..."));
    setFixedSize(285, 167);
    setFont(dialogFont());
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 8, 269, 49);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setLineWidth(1);
    Panel2->setGeometry(6, 6, 36, 36);

    Image = new QLabel(Panel2);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(2, 2, 32, 32);
    Image->setAlignment(Qt::AlignCenter);
    // The program's icon; without one the image stays empty.
    const QString iconPath = QStringLiteral(":/icons/varnotex.svg");
    if (QFile::exists(iconPath))
        Image->setPixmap(QIcon(iconPath).pixmap(32, 32));

    // Drawn bottom to top: white two pixels off, red one pixel off, black on top.
    Label_VARNX_3 = titleLayer(Panel1, "Label_VARNX_3", 49, 5, Qt::white, true);
    Label_VARNX_2 = titleLayer(Panel1, "Label_VARNX_2", 48, 4, Qt::red, false);
    Label_VARNX_1 = titleLayer(Panel1, "Label_VARNX_1", 47, 3, Qt::black, false);

    Label_Version = new QLabel(Panel1);
    Label_Version->setObjectName(QStringLiteral("Label_Version"));
    Label_Version->move(49, 30);
    Label_Build = new QLabel(Panel1);
    Label_Build->setObjectName(QStringLiteral("Label_Build"));
    Label_Build->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label_Autor = textLine(this, "Label_Autor", QStringLiteral("Autor: Varnotex-Entwicklerteam"), 64);
    Label_Rechte =
        textLine(this, "Label_Rechte", QStringLiteral("Rechte: © 1999 Varnotex-Entwicklerteam"), 88);
    Label_Lizenz = textLine(this, "Label_Lizenz",
                            QStringLiteral("Lizenzbedingungen: siehe Doc/Readme.txt"), 104);

    ButtonOk = new QPushButton(QStringLiteral("&Okay"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setGeometry(184, 136, 93, 25);
    ButtonOk->setDefault(true);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);

    // OnCreate: the version and build texts are the program's own constants.
    Label_Version->setText(QStringLiteral("Version 1.01"));
    Label_Version->adjustSize();
    setBuildText(QStringLiteral("01.07.1999"));
    ButtonOk->setFocus();
    centreOnScreen(*this);
}

void TInfosForm::setBuildText(const QString& text)
{
    Label_Build->setText(text);
    Label_Build->adjustSize();
    Label_Build->move(BuildRightEdge - Label_Build->width(), 30);
}
