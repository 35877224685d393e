#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The modal about box "Infos...": icon, title, version, build date, author, rights and
// licence terms. "&Okay", Enter and Esc close it. The frame creates one per use.
class TInfosForm : public QDialog {
    Q_OBJECT
public:
    explicit TInfosForm(QWidget* parent = nullptr);

    // The right edge of the build date inside the panel, whatever its text.
    static constexpr int BuildRightEdge = 258;

    QFrame* Panel1;
    QFrame* Panel2;
    QLabel* Image;
    QLabel* Label_VARNX_3;
    QLabel* Label_VARNX_2;
    QLabel* Label_VARNX_1;
    QLabel* Label_Version;
    QLabel* Label_Build;
    QLabel* Label_Autor;
    QLabel* Label_Rechte;
    QLabel* Label_Lizenz;
    QPushButton* ButtonOk;

    // Shows a build text with its right edge kept in place.
    void setBuildText(const QString& text);
};
