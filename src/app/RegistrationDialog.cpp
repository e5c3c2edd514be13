#include "RegistrationDialog.h"

#include "Configuration.h"
#include "HttpTransport.h"
#include "MessageBox.h"
#include "Registration.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace kalvuno;

namespace {

const QString kIdFailure = QStringLiteral(
    "IDの取得に失敗しました。\r\r・正しくインターネットに接続されていることを確認してください。\r・サーバに何らかの障害が"
    "発生している可能性があります。\rしばらく待ってから再度検索を実行してください。");

template <class W> W *named(W *widget, const char *name, const QString &hint = QString())
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
        widget->setStatusTip(hint);
    }
    return widget;
}

QAction *namedAction(QMenu *menu, const char *name, const QString &caption, const QString &hint = QString())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    return action;
}

} // namespace

TFo_Regist::TFo_Regist(const QString &songListPath, Configuration &config, const HttpTransport &transport,
                       std::function<bool()> closing, QWidget *parent)
    : QDialog(parent), m_list(songListPath), m_config(config), m_transport(transport), m_closing(std::move(closing))
{
    setObjectName(QStringLiteral("Fo_Regist"));
    setWindowTitle(QStringLiteral("コンテンツの登録"));
    createControls();
    layOut();
    m_ids = m_list.ids();
}

void TFo_Regist::createControls()
{
    Bu_New = named(new QPushButton(QStringLiteral("新規"), this), "Bu_New",
                   QStringLiteral("新しい作品をコンテンツリストに追加します"));
    Bu_Delete = named(new QPushButton(QStringLiteral("削除"), this), "Bu_Delete",
                      QStringLiteral("選択中の曲を曲リストから削除します(Deleteキー)"));
    LB_Songs = named(new QListWidget(this), "LB_Songs",
                     QStringLiteral("コンテンツリストです。チェックされている作品が公開対象になります。右クリックでメニューを表示します"));
    LB_Songs->setAccessibleName(QStringLiteral("コンテンツリスト:"));
    Ed_Artist = named(new QLineEdit(this), "Ed_Artist", QStringLiteral("アーティスト名を入力します(最大32文字)"));
    Ed_Artist->setMaxLength(32);
    Ed_Title = named(new QLineEdit(this), "Ed_Title", QStringLiteral("作品名を入力します(最大32文字)"));
    Ed_Title->setMaxLength(32);
    Ed_Genre = named(new QComboBox(this), "Ed_Genre", QStringLiteral("ジャンルを入力します(最大32文字)"));
    Ed_Genre->setEditable(true);
    Ed_Genre->setInsertPolicy(QComboBox::NoInsert);
    Ed_Genre->addItems({"Ambient", "Blues", "Bossa nova", "Club", "Country", "Dance", "Disco", "Folk", "Fusion",
                        "Hard Rock", "Hip Hop", "Jazz", "Metal", "Orchestra", "Pop", "R&B", "Rap", "Reggae", "Rock",
                        "Samba", "Techno", "World"});
    Ed_Genre->lineEdit()->setMaxLength(32);
    Ed_MP3 = named(new QLineEdit(this), "Ed_MP3",
                   QStringLiteral("作品(MP3ファイルなど)を登録したURLを入力します(例: http://www.example.jp/music/song.mp3)"));
    Ed_MP3->setMaxLength(128);
    Ed_Home = named(new QLineEdit(this), "Ed_Home",
                    QStringLiteral("ホームページのURLを入力します(例: http://www.example.jp/)"));
    Ed_Home->setMaxLength(128);
    Bu_Save = named(new QPushButton(QStringLiteral("保存"), this), "Bu_Save",
                    QStringLiteral("現在の曲の変更を保存します"));
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringList{"・オリジナル作品をサーバに登録することができます。",
                                    "・自分が配布する権利を所有している作品であれば、", "自由に登録することができます。",
                                    "・登録に違法性があるか、もしくは登録された内容が適",
                                    "当ではないと判断した場合、登録された情報を予告無", "く", "削除することがあります。",
                                    "・*印のある項目は必ず入力してください。",
                                    "・転送する前に、入力内容に間違いが無いことを確認し", "てください。"}
                            .join(u'\n'));
    Memo1->setAccessibleName(QStringLiteral("注意事項"));
    // The whole notice in view, without a scroll bar.
    Memo1->setMinimumHeight(Memo1->fontMetrics().lineSpacing() * 11 + 2 * Memo1->frameWidth() + 8);
    // Enter in a field must not fetch a song ID or delete a song.
    for (QPushButton *b : {Bu_New, Bu_Delete, Bu_Save})
        b->setAutoDefault(false);

    PM_Menu = new QMenu(this);
    PM_Menu->setObjectName(QStringLiteral("PM_Menu"));
    PM_OpenAll = namedAction(PM_Menu, "PM_OpenAll", QStringLiteral("全て公開(&A)"));
    PM_CloseAll = namedAction(PM_Menu, "PM_CloseAll", QStringLiteral("全て非公開(&N)"));
    PM_Menu->addSeparator();
    PM_Test = namedAction(PM_Menu, "PM_Test", QStringLiteral("テスト(&T)"),
                          QStringLiteral("作成した曲情報のリストで再生テストを行います"));
    PM_Send = namedAction(PM_Menu, "PM_Send", QStringLiteral("送信(&S)"),
                          QStringLiteral("作成した曲情報のリストをサーバに送信します"));
    LB_Songs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LB_Songs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PM_Menu->popup(LB_Songs->viewport()->mapToGlobal(at)); });

    connect(Bu_New, &QPushButton::clicked, this, &TFo_Regist::Bu_NewClick);
    connect(Bu_Delete, &QPushButton::clicked, this, &TFo_Regist::Bu_DeleteClick);
    connect(Bu_Save, &QPushButton::clicked, this, &TFo_Regist::Bu_SaveClick);
    // The refresh rebuilds every item: not from inside the clicked item's own signal.
    connect(
        LB_Songs, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) {
            const int row = LB_Songs->row(item);
            QTimer::singleShot(0, this, [this, row] { LB_SongsClick(row); });
        });
    connect(LB_Songs, &QListWidget::itemChanged, this, &TFo_Regist::LB_SongsClickCheck);
    connect(PM_OpenAll, &QAction::triggered, this, &TFo_Regist::PM_OpenAllClick);
    connect(PM_CloseAll, &QAction::triggered, this, &TFo_Regist::PM_CloseAllClick);
    connect(PM_Test, &QAction::triggered, this, &TFo_Regist::PM_TestClick);
    connect(PM_Send, &QAction::triggered, this, &TFo_Regist::PM_SendClick);
    const auto changed = [this] {
        if (!m_refreshing)
            Bu_Save->setEnabled(true);
    };
    for (QLineEdit *edit : {Ed_Artist, Ed_Title, Ed_MP3, Ed_Home})
        connect(edit, &QLineEdit::textChanged, this, changed);
    connect(Ed_Genre, &QComboBox::editTextChanged, this, changed);
    LB_Songs->installEventFilter(this);
}

void TFo_Regist::layOut()
{
    auto *listLabel = new QLabel(QStringLiteral("コンテンツリスト:"), this);
    listLabel->setBuddy(LB_Songs);
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(Bu_New);
    listButtons->addWidget(Bu_Delete);
    listButtons->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(LB_Songs, 1);
    left->addLayout(listButtons);

    auto *form = new QFormLayout;
    const auto row = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(caption);
        form->addRow(label, field);
    };
    row(QStringLiteral("*アーティスト名:"), Ed_Artist);
    row(QStringLiteral("*作品名:"), Ed_Title);
    row(QStringLiteral("ジャンル:"), Ed_Genre);
    row(QStringLiteral("*コンテンツのURL:"), Ed_MP3);
    row(QStringLiteral("Home PageのURL:"), Ed_Home);
    auto *saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(Bu_Save);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("コンテンツ情報:"), this));
    right->addLayout(form);
    right->addLayout(saveRow);
    right->addWidget(Memo1, 1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addLayout(right, 3);
    resize(660, 470);
}

void TFo_Regist::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    RefreshSongs(QString());
}

bool TFo_Regist::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LB_Songs && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        Bu_DeleteClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFo_Regist::stillOpen() const { return isVisible() && !(m_closing && m_closing()); }

QString TFo_Regist::selectedId() const
{
    const int row = LB_Songs->currentRow();
    return row >= 0 && row < m_ids.size() && LB_Songs->currentItem() && LB_Songs->currentItem()->isSelected()
        ? m_ids.at(row)
        : QString();
}

SongFields TFo_Regist::shownFields() const
{
    return {Ed_Artist->text(), Ed_Title->text(), Ed_Genre->currentText(), Ed_MP3->text(), Ed_Home->text()};
}

bool TFo_Regist::checkWrite(bool ok)
{
    if (!ok)
        messagebox::showWriteError(this, m_list.path());
    return ok;
}

void TFo_Regist::RefreshSongs(QString key)
{
    m_refreshing = true;
    m_ids = m_list.ids();
    LB_Songs->clear();
    int selected = -1;
    for (qsizetype i = 0; i < m_ids.size(); ++i) {
        auto *item = new QListWidgetItem(m_list.title(m_ids.at(i)), LB_Songs);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_list.isPublic(m_ids.at(i)) ? Qt::Checked : Qt::Unchecked);
        if (selected < 0 && !key.isEmpty() && m_ids.at(i) == key)
            selected = int(i);
    }
    if (selected < 0 && !m_ids.isEmpty())
        selected = 0;
    LB_Songs->setCurrentRow(selected);
    const bool has = selected >= 0;
    const SongFields f = has ? m_list.fields(m_ids.at(selected)) : SongFields();
    Ed_Artist->setText(f.artist);
    Ed_Title->setText(f.title);
    Ed_Genre->setEditText(f.genre);
    Ed_MP3->setText(f.mp3);
    Ed_Home->setText(f.home);
    for (QWidget *w : std::initializer_list<QWidget *>{Bu_Delete, Ed_Artist, Ed_Title, Ed_Genre, Ed_MP3, Ed_Home})
        w->setEnabled(has);
    Bu_Save->setEnabled(false);
    m_refreshing = false;
}

void TFo_Regist::Bu_NewClick()
{
    const QString id = fetchServiceId(m_transport, QStringLiteral("/sid"));
    if (!stillOpen())
        return;
    // An ID that already names a song would merge two songs into one.
    if (id.isEmpty() || m_list.contains(id)) {
        showIdFailure();
        return;
    }
    if (!checkWrite(m_list.add(id, shownFields())))
        return;
    RefreshSongs(id);
    Ed_Title->selectAll();
    Ed_Title->setFocus();
}

void TFo_Regist::showIdFailure() { messagebox::show(this, QMessageBox::Warning, kIdFailure); }

void TFo_Regist::Bu_SaveClick()
{
    const QString id = selectedId();
    if (id.isEmpty())
        return;
    checkWrite(m_list.save(id, shownFields()));
    if (stillOpen())
        RefreshSongs(id);
}

void TFo_Regist::LB_SongsClick(int row)
{
    if (row >= 0 && row < m_ids.size())
        RefreshSongs(m_ids.at(row));
}

void TFo_Regist::LB_SongsClickCheck(QListWidgetItem *item)
{
    // The flag belongs to the item whose box changed, which need not be the
    // selected one; a refresh sets the boxes from the file and writes nothing.
    if (m_refreshing || !item)
        return;
    const int row = LB_Songs->row(item);
    if (row < 0 || row >= m_ids.size())
        return;
    checkWrite(m_list.setPublic(m_ids.at(row), item->checkState() == Qt::Checked));
}

void TFo_Regist::setAllPublic(bool open)
{
    m_refreshing = true;
    for (int i = 0; i < LB_Songs->count(); ++i)
        LB_Songs->item(i)->setCheckState(open ? Qt::Checked : Qt::Unchecked);
    m_refreshing = false;
    checkWrite(m_list.setAllPublic(open));
}

void TFo_Regist::Bu_DeleteClick()
{
    const QString id = selectedId();
    if (id.isEmpty())
        return;
    const auto answer = messagebox::show(this, QMessageBox::Question,
                                         QStringLiteral("この曲を曲リストから削除します。よろしいですか？"),
                                         QMessageBox::Ok | QMessageBox::Cancel, QStringLiteral("削除"));
    if (answer != QMessageBox::Ok || !stillOpen())
        return;
    checkWrite(m_list.remove(id));
    if (stillOpen())
        RefreshSongs(QString());
}

QString TFo_Regist::accessId()
{
    const QString stored = m_config.read(keys::AccessID);
    // One that could never open a token (an older program may have stored an
    // error page) is replaced by a proper one.
    if (isAccessId(stored))
        return stored;
    const QString id = fetchServiceId(m_transport, QStringLiteral("/aid"));
    if (!stillOpen())
        return QString();
    if (!isAccessId(id)) {
        showIdFailure();
        return QString();
    }
    if (!m_config.write(keys::AccessID, id)) {
        messagebox::showWriteError(this, m_config.path());
        return QString();
    }
    return id;
}

void TFo_Regist::PM_SendClick()
{
    const auto answer = messagebox::show(
        this, QMessageBox::Question,
        QStringLiteral("この内容で曲リストをサーバに送信します。よろしいですか？\r\r・送信する前に、テストボタンを押して"
                       "データが正しく再生されることを確認してください。\r・ヘルプファイルの「曲の登録に関する注意事項」"
                       "は必ずお読みください。"),
        QMessageBox::Ok | QMessageBox::Cancel, QStringLiteral("送信"));
    if (answer != QMessageBox::Ok || !stillOpen())
        return;
    const QString id = accessId();
    if (id.isEmpty() || !stillOpen())
        return;
    const bool sent = SendSongList(m_transport, id, m_list.path());
    if (!stillOpen())
        return;
    messagebox::show(this, sent ? QMessageBox::Information : QMessageBox::Warning,
                     sent ? QStringLiteral("送信に成功しました。") : QStringLiteral("送信に失敗しました。"));
}
