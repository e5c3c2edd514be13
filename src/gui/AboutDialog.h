#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// TFo_About, the version dialog: the program's icon, name and version and its
// copyright line, with an OK button. Escape closes it too.
class TFo_About : public QDialog
{
    Q_OBJECT
public:
    explicit TFo_About(QWidget *parent = nullptr);

    QLabel *Im_Icon = nullptr;
    QLabel *La_AppTitle = nullptr;
    QLabel *La_AppCopyright = nullptr;
    QPushButton *Bu_OK = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void centreOnScreen();
};
