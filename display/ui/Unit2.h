// The graphic display window. Created hidden at start-up; the main window's
// Graphic button shows it modally.
#pragma once

#include <QDialog>

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
};
