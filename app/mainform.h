#pragma once

#include <QMainWindow>

// The frame window: the multiple-document parent of every document window.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
};
