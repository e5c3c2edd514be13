#include "PlaylistNameDialog.h"

#include "ListName.h"
#include "MessageBox.h"
#include "SavedLists.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kalvuno;

TFo_PLName::TFo_PLName(const QString &playlistsFolder, QWidget *parent) : QDialog(parent), m_folder(playlistsFolder)
{
    setObjectName(QStringLiteral("Fo_PLName"));
    setWindowTitle(QStringLiteral("プレイリスト"));
    Label1 = new QLabel(QStringLiteral("名前："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Ed_Name = new QLineEdit(QStringLiteral("新規プレイリスト"), this);
    Ed_Name->setObjectName(QStringLiteral("Ed_Name"));
    Ed_Name->setAccessibleName(QStringLiteral("名前："));
    Label1->setBuddy(Ed_Name);
    // The name is held to what 32 bytes of CP932 can hold.
    connect(Ed_Name, &QLineEdit::textChanged, this, [this](const QString &text) {
        const QString fitted = fitToCp932Bytes(text, kPlaylistNameBytes);
        if (fitted != text)
            Ed_Name->setText(fitted);
    });
    Bu_OK = new QPushButton(QStringLiteral("OK"), this);
    Bu_OK->setObjectName(QStringLiteral("Bu_OK"));
    Bu_OK->setDefault(true);
    Bu_Cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    Bu_Cancel->setObjectName(QStringLiteral("Bu_Cancel"));
    Bu_Cancel->setToolTip(QStringLiteral("キャンセルします"));
    Bu_Cancel->setStatusTip(Bu_Cancel->toolTip());
    connect(Bu_OK, &QPushButton::clicked, this, [this] {
        if (Bu_OKClick())
            accept();
    });
    connect(Bu_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(Label1);
    nameRow->addWidget(Ed_Name, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Bu_OK);
    buttons->addWidget(Bu_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}

bool TFo_PLName::Bu_OKClick()
{
    const QString name = Ed_Name->text();
    if (!isUsableListName(name)) {
        Ed_Name->setFocus();
        messagebox::show(this, QMessageBox::Warning, QString::fromUtf16(kUnusableNameMessage));
        return false;
    }
    TargetPath = m_folder + name + QString::fromUtf16(kPlaylistSuffix);
    const bool exists = QFile::exists(TargetPath);
    if (Mode == NewName && exists
        && messagebox::show(this, QMessageBox::Question,
                            QStringLiteral("指定された名前のプレイリストは既に存在します。\r上書きしますか？"),
                            QMessageBox::Ok | QMessageBox::Cancel, windowTitle())
               != QMessageBox::Ok) {
        Ed_Name->setFocus();
        return false;
    }
    if (Mode == Rename && name != OldName && exists) {
        messagebox::show(this, QMessageBox::Warning, QStringLiteral("指定された名前のプレイリストは既に存在します。"));
        Ed_Name->setFocus();
        return false;
    }
    return true;
}
