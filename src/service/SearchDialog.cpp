#include "SearchDialog.h"

#include "ListName.h"

#include "MessageBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

using namespace kalvuno;

namespace {

template <class W> W *named(W *widget, const char *name, const QString &hint = QString(), const QString &accessible = QString())
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
        widget->setStatusTip(hint);
    }
    if (!accessible.isEmpty())
        widget->setAccessibleName(accessible);
    return widget;
}

// A line edit whose label names it for screen readers too.
QLineEdit *edit(const char *name, const QString &label, const QString &hint, int maxLength)
{
    auto *e = named(new QLineEdit, name, hint, label);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

} // namespace

TFo_Search::TFo_Search(const QString &favoritesFolder, QWidget *parent) : QDialog(parent), m_favoritesFolder(favoritesFolder)
{
    setObjectName(QStringLiteral("Fo_Search"));
    setWindowTitle(QStringLiteral("検索"));
    setAccessibleName(QStringLiteral("検索"));

    La_Name = named(new QLabel(QStringLiteral("お気に入り名：")), "La_Name");
    Ed_Name = edit("Ed_Name", QStringLiteral("お気に入り名："), QString(), 0);
    Ed_Name->setText(QStringLiteral("新規お気に入り"));
    La_Name->setBuddy(Ed_Name);
    Be_Bevel = named(new QFrame, "Be_Bevel");
    Be_Bevel->setFrameShape(QFrame::HLine);
    Be_Bevel->setFrameShadow(QFrame::Sunken);

    GB_SearchType = named(new QGroupBox(QStringLiteral("検索方法：")), "GB_SearchType");
    Ra_Clear = named(new QRadioButton(QStringLiteral("新規検索")), "Ra_Clear");
    Ra_Add = named(new QRadioButton(QStringLiteral("追加検索")), "Ra_Add");
    Ra_Clear->setChecked(true);
    auto *typeLayout = new QHBoxLayout(GB_SearchType);
    typeLayout->addWidget(Ra_Clear);
    typeLayout->addWidget(Ra_Add);

    Co_Target = named(new QComboBox, "Co_Target", QStringLiteral("検索するコンテンツの種類を選択します"),
                      QStringLiteral("検索対象:"));
    for (const char16_t *t : kTargets)
        Co_Target->addItem(QString::fromUtf16(t));
    Co_Target->setCurrentIndex(-1); // nothing chosen at first
    Ch_Kalvuno = named(new QCheckBox(QStringLiteral("Kalvuno")), "Ch_Kalvuno", QStringLiteral("Kalvunoのライブラリから検索します"));
    Ch_Kalvuno->setChecked(true);
    Ch_Web = named(new QCheckBox(QStringLiteral("Web")), "Ch_Web", QStringLiteral("インターネット全体から検索します"));

    Ed_Artist = edit("Ed_Artist", QStringLiteral("アーティスト名:"),
                     QStringLiteral("アーティストの名前に含まれる文字列を入力します。指定しない場合は全てのアーティストが対象になります。"), 32);
    Ed_Title = edit("Ed_Title", QStringLiteral("曲名:"),
                    QStringLiteral("曲名に含まれる文字列を入力します。指定しない場合は全ての曲が対象になります。"), 32);
    Ed_Genre = edit("Ed_Genre", QStringLiteral("ジャンル:"),
                    QStringLiteral("ジャンルに含まれる文字列を入力します。指定しない場合は全てのジャンルが対象になります。"), 32);

    Ra_Random = named(new QRadioButton(QStringLiteral("ランダム")), "Ra_Random", QStringLiteral("条件に当てはまる曲をランダムに選曲します"));
    Ra_New = named(new QRadioButton(QStringLiteral("新着順")), "Ra_New", QStringLiteral("条件に当てはまる曲を新着順に選曲します"));
    Ra_Rank = named(new QRadioButton(QStringLiteral("ランク順")), "Ra_Rank");
    Ra_Random->setChecked(true);
    auto *sortGroup = new QButtonGroup(this);
    for (QRadioButton *r : {Ra_Random, Ra_New, Ra_Rank})
        sortGroup->addButton(r);
    Co_Rank = named(new QComboBox, "Co_Rank", QString(), QStringLiteral("ランク順"));
    Co_Rank->addItem(QStringLiteral("最新"));
    for (int w = 1; w <= 7; ++w)
        Co_Rank->addItem(QString::number(w) + QStringLiteral("週間前"));

    SE_Max = named(new QSpinBox, "SE_Max", QStringLiteral("作成するプレイリストの最大の曲数を指定します（最大100曲）"),
                   QStringLiteral("最大件数:"));
    SE_Max->setRange(0, 100);
    SE_Max->setValue(10);

    Bu_OK = named(new QPushButton(QStringLiteral("OK")), "Bu_OK", QString(), QStringLiteral("OK"));
    Bu_OK->setDefault(true);
    Bu_Cancel = named(new QPushButton(QStringLiteral("キャンセル")), "Bu_Cancel", QStringLiteral("キャンセルします"));

    auto *targets = new QHBoxLayout;
    targets->addWidget(Co_Target);
    targets->addWidget(Ch_Kalvuno);
    targets->addWidget(Ch_Web);
    auto *sorts = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{Ra_Random, Ra_New, Ra_Rank, Co_Rank})
        sorts->addWidget(w);
    auto *form = new QFormLayout;
    form->addRow(La_Name, Ed_Name);
    form->addRow(Be_Bevel);
    form->addRow(GB_SearchType);
    form->addRow(QStringLiteral("検索対象:"), targets);
    form->addRow(QStringLiteral("アーティスト名:"), Ed_Artist);
    form->addRow(QStringLiteral("曲名:"), Ed_Title);
    form->addRow(QStringLiteral("ジャンル:"), Ed_Genre);
    form->addRow(QStringLiteral("ソート順:"), sorts);
    form->addRow(QStringLiteral("最大件数:"), SE_Max);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Bu_OK);
    buttons->addWidget(Bu_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Bu_OK, &QPushButton::clicked, this, [this] {
        if (Bu_OKClick())
            accept();
    });
    connect(Bu_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    Ti_Check = new QTimer(this);
    Ti_Check->setObjectName(QStringLiteral("Ti_Check"));
    Ti_Check->setInterval(50);
    connect(Ti_Check, &QTimer::timeout, this, &TFo_Search::Ti_CheckTimer);
    Ti_Check->start();
    Ti_CheckTimer();
}

void TFo_Search::showEvent(QShowEvent *event)
{
    const bool favorite = Mode != SearchMode;
    GB_SearchType->setVisible(!favorite);
    for (QWidget *w : std::initializer_list<QWidget *>{La_Name, Ed_Name, Be_Bevel})
        w->setVisible(favorite);
    if (Co_Rank->currentIndex() < 0)
        Co_Rank->setCurrentIndex(0);
    QDialog::showEvent(event);
}

void TFo_Search::Ti_CheckTimer()
{
    // Rank order exists for library searches only.
    if (Ra_Rank->isChecked() && !Ch_Kalvuno->isChecked())
        Ra_Random->setChecked(true);
    const bool rank = Ra_Rank->isChecked() && Ch_Kalvuno->isChecked();
    if (Co_Rank->isEnabled() != rank)
        Co_Rank->setEnabled(rank);
}

SearchConditions TFo_Search::conditions() const
{
    SearchConditions c;
    c.name = Ed_Name->text();
    c.clear = Ra_Clear->isChecked();
    c.target = Co_Target->currentIndex();
    c.library = Ch_Kalvuno->isChecked();
    c.web = Ch_Web->isChecked();
    c.artist = Ed_Artist->text();
    c.title = Ed_Title->text();
    c.genre = Ed_Genre->text();
    c.sort = Ra_Random->isChecked() ? 0 : Ra_New->isChecked() ? 1 : 2;
    c.rank = std::max(0, Co_Rank->currentIndex());
    c.max = SE_Max->value();
    return c;
}

void TFo_Search::setConditions(const SearchConditions &c)
{
    Ed_Name->setText(c.name);
    (c.clear ? Ra_Clear : Ra_Add)->setChecked(true);
    Co_Target->setCurrentIndex(c.target);
    Ch_Kalvuno->setChecked(c.library);
    Ch_Web->setChecked(c.web);
    // Texts from a file may be longer than the dialog lets one type; keep them.
    for (auto [e, text] : {std::pair{Ed_Artist, c.artist}, std::pair{Ed_Title, c.title}, std::pair{Ed_Genre, c.genre}}) {
        e->setMaxLength(std::max(32, int(text.size())));
        e->setText(text);
    }
    (c.sort == 1 ? Ra_New : c.sort == 2 ? Ra_Rank : Ra_Random)->setChecked(true);
    Co_Rank->setCurrentIndex(c.rank);
    SE_Max->setValue(c.max);
}

void TFo_Search::LoadFavorite(const QString &file)
{
    SearchConditions c = loadFavorite(file);
    c.name = Ed_Name->text();
    c.clear = Ra_Clear->isChecked();
    setConditions(c);
    Bu_OKClick();
}

bool TFo_Search::SaveFavorite(const QString &file) const { return saveFavorite(file, conditions()); }

bool TFo_Search::Bu_OKClick()
{
    if (Mode != SearchMode) {
        const QString name = Ed_Name->text();
        const bool exists = QFile::exists(m_favoritesFolder + name + QStringLiteral(".fvr"));
        if (name.isEmpty()) {
            Ed_Name->setFocus();
            messagebox::show(this, QMessageBox::Warning, QStringLiteral("お気に入り名を入力してください"));
            return false;
        }
        if (!kalvuno::isUsableListName(name)) {
            Ed_Name->setFocus();
            messagebox::show(this, QMessageBox::Warning, QString::fromUtf16(kalvuno::kUnusableNameMessage));
            return false;
        }
        if (Mode == NewFavorite && exists
            && messagebox::show(this, QMessageBox::Question,
                                QStringLiteral("指定された名前のお気に入りは既に存在します。\r上書きしますか？"),
                                QMessageBox::Ok | QMessageBox::Cancel)
                != QMessageBox::Ok) {
            Ed_Name->setFocus();
            return false;
        }
        if (Mode == EditFavorite && name != FormerName && exists) {
            Ed_Name->setFocus();
            messagebox::show(this, QMessageBox::Warning, QStringLiteral("指定された名前のお気に入りは既に存在します。"));
            return false;
        }
    }
    BuiltQuery built;
    if (!buildSearchQuery(conditions(), built)) {
        messagebox::show(this, QMessageBox::Warning, QStringLiteral("検索対象がありません。"));
        return false;
    }
    Query = built.query;
    OpenTargets = built.openTargets;
    SearchMethod = built.searchMethod;
    return true;
}
