#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a saved playlist's name, when saving under a new name and when
// renaming.
class TFo_PLName : public QDialog
{
    Q_OBJECT
public:
    enum ModeValue { NewName = 0, Rename = 1 };

    // playlistsFolder ends with "/".
    explicit TFo_PLName(const QString &playlistsFolder, QWidget *parent = nullptr);

    int Mode = NewName;
    QString OldName;
    // Set by an accepted OK: the playlists folder + name + ".pl".
    QString TargetPath;

    // Checks the name; false keeps the dialog open.
    bool Bu_OKClick();

    QLabel *Label1;
    QLineEdit *Ed_Name;
    QPushButton *Bu_OK;
    QPushButton *Bu_Cancel;

private:
    QString m_folder;
};
