#pragma once

#include "SearchConditions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

// The search dialog; in its favourite modes it also names the conditions.
class TFo_Search : public QDialog
{
    Q_OBJECT
public:
    enum ModeValue { SearchMode = 0, NewFavorite = 1, EditFavorite = 2 };

    // favoritesFolder: where favourite N is N + ".fvr" (for the name checks).
    explicit TFo_Search(const QString &favoritesFolder, QWidget *parent = nullptr);

    int Mode = SearchMode;
    QString Query;
    int SearchMethod = 0;
    int OpenTargets = 0;
    QString FormerName;

    kalvuno::SearchConditions conditions() const;
    void setConditions(const kalvuno::SearchConditions &conditions);
    // Fills the controls from a favourite file and builds the query.
    void LoadFavorite(const QString &file);
    bool SaveFavorite(const QString &file) const;

    // Validates and builds Query; false keeps the dialog open.
    bool Bu_OKClick();
    void Ti_CheckTimer();

    QLabel *La_Name;
    QLineEdit *Ed_Name;
    QFrame *Be_Bevel;
    QGroupBox *GB_SearchType;
    QRadioButton *Ra_Clear;
    QRadioButton *Ra_Add;
    QComboBox *Co_Target;
    QCheckBox *Ch_Kalvuno;
    QCheckBox *Ch_Web;
    QLineEdit *Ed_Artist;
    QLineEdit *Ed_Title;
    QLineEdit *Ed_Genre;
    QRadioButton *Ra_Random;
    QRadioButton *Ra_New;
    QRadioButton *Ra_Rank;
    QComboBox *Co_Rank;
    QSpinBox *SE_Max;
    QPushButton *Bu_OK;
    QPushButton *Bu_Cancel;
    QTimer *Ti_Check;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_favoritesFolder;
};
