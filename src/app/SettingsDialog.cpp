#include "SettingsDialog.h"

#include "AddressSubstitution.h"
#include "MessageBox.h"
#include "SettingsRules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace kalvuno;

namespace {

template <class T> T *named(T *w, const char *name, const QString &accessible = QString())
{
    w->setObjectName(QString::fromLatin1(name));
    if (!accessible.isEmpty())
        w->setAccessibleName(accessible);
    return w;
}

// A radio group: a titled box holding one row of radio items.
QGroupBox *radioGroup(const char *name, const QString &title, const QStringList &items, QButtonGroup *&group,
                      QWidget *parent)
{
    auto *box = named(new QGroupBox(title, parent), name, title);
    auto *row = new QHBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items.at(i), box);
        radio->setAccessibleName(items.at(i));
        group->addButton(radio, i);
        row->addWidget(radio);
    }
    row->addStretch(1);
    return box;
}

void selectRadio(QButtonGroup *group, int id)
{
    if (QAbstractButton *b = group->button(id))
        b->setChecked(true);
}

template <class T> void enableIfChanged(T *w, bool enabled)
{
    if (w->isEnabled() != enabled)
        w->setEnabled(enabled);
}

void selectText(QComboBox *combo, const QString &text)
{
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i) {
        if (combo->itemText(i) == text)
            found = i;
    }
    combo->setCurrentIndex(found);
}

} // namespace

TFo_Setup::TFo_Setup(Configuration &config, const SetupTargets &targets, QWidget *parent)
    : QDialog(parent), m_config(config), m_targets(targets)
{
    setObjectName(QStringLiteral("Fo_Setup"));
    setWindowTitle(QStringLiteral("環境の設定"));
    PC_Page = named(new QTabWidget(this), "PC_Page");
    PC_Page->setUsesScrollButtons(false);
    PC_Page->addTab(downloadPage(), QStringLiteral("ダウンロード"));
    PC_Page->addTab(onTimerPage(), QStringLiteral("オンタイマー"));
    PC_Page->addTab(hostPage(), QStringLiteral("ローカルサーバ設定"));
    PC_Page->addTab(browserPage(), QStringLiteral("ブラウザ"));

    Bu_OK = named(new QPushButton(QStringLiteral("OK"), this), "Bu_OK", QStringLiteral("OK"));
    Bu_OK->setDefault(true);
    Bu_Cancel = named(new QPushButton(QStringLiteral("キャンセル"), this), "Bu_Cancel", QStringLiteral("キャンセル"));
    connect(Bu_OK, &QPushButton::clicked, this, [this] {
        if (Bu_OKClick())
            accept();
    });
    connect(Bu_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Bu_OK);
    buttons->addWidget(Bu_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PC_Page);
    layout->addLayout(buttons);

    Ti_Check = new QTimer(this);
    Ti_Check->setObjectName(QStringLiteral("Ti_Check"));
    Ti_Check->setInterval(50);
    connect(Ti_Check, &QTimer::timeout, this, &TFo_Setup::Ti_CheckTimer);
    Ti_Check->start();
    setFixedSize(sizeHint().expandedTo(QSize(460, 0)));
}

QWidget *TFo_Setup::downloadPage()
{
    auto *page = named(new QWidget, "TS_Download");
    Ch_DownloadON = named(new QCheckBox(QStringLiteral("最後まで再生したコンテンツを自動的にダウンロードする"), page),
                          "Ch_DownloadON");
    Ch_DownloadKalvunoOnly = named(
        new QCheckBox(QStringLiteral("Kalvunoライブラリに登録されたコンテンツのみダウンロード"), page), "Ch_DownloadKalvunoOnly");
    Pa_DownloadPath = named(new QGroupBox(QStringLiteral("ダウンロード先"), page), "Pa_DownloadPath",
                            QStringLiteral("ダウンロード先"));
    auto *form = new QFormLayout(Pa_DownloadPath);
    const auto folderRow = [&](const char *edit, const char *button, const QString &label) {
        auto *field = named(new QLineEdit(Pa_DownloadPath), edit, label);
        auto *browse = named(new QPushButton(QStringLiteral("..."), Pa_DownloadPath), button, label);
        browse->setFixedWidth(28);
        connect(browse, &QPushButton::clicked, this, [this, field] { BrowseFolderField(field); });
        auto *row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(browse);
        form->addRow(label, row);
        return field;
    };
    Ed_DownloadMP3 = folderRow("Ed_DownloadMP3", "Bu_DownloadMP3", QStringLiteral("MP3:"));
    Ed_DownloadWAV = folderRow("Ed_DownloadWAV", "Bu_DownloadWav", QStringLiteral("WAV:"));
    Ed_DownloadMpeg = folderRow("Ed_DownloadMpeg", "Bu_DownloadMpeg", QStringLiteral("Mpeg:"));
    Ed_DownloadMIDI = folderRow("Ed_DownloadMIDI", "Bu_DownloadMIDI", QStringLiteral("MIDI:"));
    Memo1 = named(new QPlainTextEdit(page), "Memo1", QStringLiteral("説明"));
    Memo1->setReadOnly(true);
    // Its five lines are one text broken at the memo's width: it wraps here.
    Memo1->setPlainText(QStringLiteral("・Kalvunoでは、最後まで聞いたmp3を自動的にハードディスクにダウ"
                                       "ンロードすることができます。・この機能を利用するには、ダウンロー"
                                       "ド先フォルダに十分な空き容量のあるフォルダを指定してください。"
                                       "・ダウンロードを行わない場合は、「最後まで聞いた曲を自動的にダ"
                                       "ウンロードする」のチェックを外してください。"));
    Memo1->setFixedHeight(96);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(Ch_DownloadON);
    layout->addWidget(Ch_DownloadKalvunoOnly);
    layout->addWidget(Pa_DownloadPath);
    layout->addWidget(Memo1);
    layout->addStretch(1);
    return page;
}

QWidget *TFo_Setup::onTimerPage()
{
    auto *page = named(new QWidget, "TS_OnTimer");
    Ch_OnTimerON = named(new QCheckBox(QStringLiteral("ON"), page), "Ch_OnTimerON");
    Co_Hour = named(new QComboBox(page), "Co_Hour", QStringLiteral("時"));
    for (int h = 0; h < 24; ++h)
        Co_Hour->addItem(QString::number(h));
    Co_Minute = named(new QComboBox(page), "Co_Minute", QStringLiteral("分"));
    for (int m = 0; m < 60; m += 5)
        Co_Minute->addItem(QString::number(m));
    auto *timeRow = new QHBoxLayout;
    timeRow->addWidget(new QLabel(QStringLiteral("時間:"), page));
    timeRow->addWidget(Co_Hour);
    timeRow->addWidget(new QLabel(QStringLiteral("時"), page));
    timeRow->addWidget(Co_Minute);
    timeRow->addWidget(new QLabel(QStringLiteral("分"), page));
    timeRow->addStretch(1);

    RG_Target = radioGroup("RG_Target", QStringLiteral("再生対象"),
                           {QStringLiteral("続き"), QStringLiteral("リスト"), QStringLiteral("お気に入り"),
                            QStringLiteral("プレイリスト")},
                           m_target, page);
    RG_Favorite = radioGroup("RG_Favorite", QStringLiteral("お気に入り"),
                             {QStringLiteral("現在のお気に入り"), QStringLiteral("指定")}, m_favorite, page);
    Co_Favorite = named(new QComboBox(RG_Favorite), "Co_Favorite", QStringLiteral("お気に入り"));
    Co_Favorite->setMinimumWidth(120);
    static_cast<QHBoxLayout *>(RG_Favorite->layout())->addWidget(Co_Favorite, 1);
    RG_Playlist = radioGroup("RG_Playlist", QStringLiteral("プレイリスト"),
                             {QStringLiteral("現在のプレイリスト"), QStringLiteral("指定")}, m_playlist, page);
    Co_Playlist = named(new QComboBox(RG_Playlist), "Co_Playlist", QStringLiteral("プレイリスト"));
    Co_Playlist->setMinimumWidth(120);
    static_cast<QHBoxLayout *>(RG_Playlist->layout())->addWidget(Co_Playlist, 1);
    Ch_Priority = named(new QCheckBox(QStringLiteral("再生中でもオンタイマーを優先する"), page), "Ch_Priority");
    Ch_UseOffTimer =
        named(new QCheckBox(QStringLiteral("オンタイマー始動と同時にオフタイマーを設定する"), page), "Ch_UseOffTimer");
    RG_OffTimer = radioGroup("RG_OffTimer", QString(),
                             {QStringLiteral("30分"), QStringLiteral("60分"), QStringLiteral("90分"), QStringLiteral("120分")},
                             m_offTimer, page);
    RG_OffTimer->setAccessibleName(QStringLiteral("オフタイマー"));

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(Ch_OnTimerON);
    layout->addLayout(timeRow);
    for (QWidget *w : std::initializer_list<QWidget *>{RG_Target, RG_Favorite, RG_Playlist, Ch_Priority, Ch_UseOffTimer,
                                                        RG_OffTimer})
        layout->addWidget(w);
    layout->addStretch(1);
    return page;
}

QWidget *TFo_Setup::hostPage()
{
    auto *page = named(new QWidget, "TS_Host");
    Ed_DomainName = named(new QLineEdit(page), "Ed_DomainName", QStringLiteral("置換するドメインネーム:"));
    Ed_DomainName->setToolTip(QStringLiteral("置き換えるサーバのドメインネームを入力してください（例: music.example.jp）"));
    Ed_PrivateAddress = named(new QLineEdit(page), "Ed_PrivateAddress", QStringLiteral("プライベートアドレス:"));
    Ed_PrivateAddress->setToolTip(
        QStringLiteral("ドメインネームの代わりに使うプライベートアドレスを入力してください（例: 192.168.0.10）"));
    for (QLineEdit *e : {Ed_DomainName, Ed_PrivateAddress})
        e->setStatusTip(e->toolTip());
    Memo2 = named(new QPlainTextEdit(page), "Memo2", QStringLiteral("説明"));
    Memo2->setReadOnly(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("置換するドメインネーム:"), Ed_DomainName);
    form->addRow(QStringLiteral("プライベートアドレス:"), Ed_PrivateAddress);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(Memo2, 1);
    return page;
}

QWidget *TFo_Setup::browserPage()
{
    auto *page = named(new QWidget, "TS_Browser");
    Ch_Browse = named(new QCheckBox(QStringLiteral("再生と同時にホームページを開く"), page), "Ch_Browse");
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(Ch_Browse);
    layout->addStretch(1);
    return page;
}

void TFo_Setup::showEvent(QShowEvent *event)
{
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TFo_Setup::FormShow()
{
    PC_Page->setCurrentIndex(StartPage == 1 ? 1 : 0);
    Ch_DownloadON->setChecked(m_config.read(keys::DownloadON));
    Ch_DownloadKalvunoOnly->setChecked(m_config.read(keys::DownloadKalvunoOnly));
    Ed_DownloadMP3->setText(m_config.read(keys::Download));
    Ed_DownloadWAV->setText(m_config.read(keys::DownloadWAV));
    Ed_DownloadMpeg->setText(m_config.read(keys::DownloadMpeg));
    Ed_DownloadMIDI->setText(m_config.read(keys::DownloadMIDI));

    const OnTimerSettings &s = m_targets.onTimer;
    Ch_OnTimerON->setChecked(m_targets.onTimerEnabled);
    Co_Hour->setCurrentIndex(hourItemOf(s.time));
    Co_Minute->setCurrentIndex(minuteItemOf(s.time));
    selectRadio(m_target, s.target);
    selectRadio(m_favorite, s.favoriteTarget);
    selectRadio(m_playlist, s.playlistTarget);
    selectText(Co_Favorite, s.favorite);
    selectText(Co_Playlist, s.playlist);
    Ch_Priority->setChecked(s.priority);
    Ch_UseOffTimer->setChecked(s.useOffTimer);
    selectRadio(m_offTimer, offTimerItemOf(s.offTimer));

    Ed_DomainName->setText(m_config.read(keys::DomainName));
    Ed_PrivateAddress->setText(m_config.read(keys::PrivateAddress));
    Ch_Browse->setChecked(m_config.read(keys::Browse));
    Ti_CheckTimer();
}

void TFo_Setup::Ti_CheckTimer()
{
    enableIfChanged(Pa_DownloadPath, Ch_DownloadON->isChecked());
    enableIfChanged(Ch_DownloadKalvunoOnly, Ch_DownloadON->isChecked());
    enableIfChanged(RG_Favorite, m_target->checkedId() == 2);
    enableIfChanged(RG_Playlist, m_target->checkedId() == 3);
    enableIfChanged(Co_Favorite, RG_Favorite->isEnabled() && m_favorite->checkedId() == 1);
    enableIfChanged(Co_Playlist, RG_Playlist->isEnabled() && m_playlist->checkedId() == 1);
    enableIfChanged(RG_OffTimer, Ch_UseOffTimer->isChecked());
}

void TFo_Setup::BrowseFolderField(QLineEdit *field)
{
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), field->text());
    if (!folder.isEmpty())
        field->setText(withTrailingSeparator(folder));
}

int TFo_Setup::CheckFolderField(QLineEdit *field, const TextKey &key, int result)
{
    field->setText(withTrailingSeparator(field->text()));
    const QString text = field->text();
    if (!text.isEmpty() && !QDir(text).exists()) {
        messagebox::show(this, QMessageBox::Warning,
                         QStringLiteral("指定されたフォルダ \"") + text + QStringLiteral("\"は存在しません。"));
        return 0;
    }
    if (!m_config.write(key, text))
        messagebox::showWriteError(this, m_config.path());
    return result;
}

bool TFo_Setup::Bu_OKClick()
{
    // Every setting is written even when a folder is refused, so only that
    // folder is left to correct while the dialog stays open.
    IniBatch batch(m_config.file());
    m_config.write(keys::DownloadON, Ch_DownloadON->isChecked());
    m_config.write(keys::DownloadKalvunoOnly, Ch_DownloadKalvunoOnly->isChecked());
    int result = 1;
    result = CheckFolderField(Ed_DownloadMP3, keys::Download, result);
    result = CheckFolderField(Ed_DownloadWAV, keys::DownloadWAV, result);
    result = CheckFolderField(Ed_DownloadMpeg, keys::DownloadMpeg, result);
    result = CheckFolderField(Ed_DownloadMIDI, keys::DownloadMIDI, result);

    m_targets.onTimerEnabled = Ch_OnTimerON->isChecked();
    m_config.write(keys::OnTimer_ON, m_targets.onTimerEnabled);
    OnTimerSettings &s = m_targets.onTimer;
    s.time = timeOfItems(Co_Hour->currentIndex(), Co_Minute->currentIndex());
    s.target = qMax(0, m_target->checkedId());
    s.favoriteTarget = qMax(0, m_favorite->checkedId());
    s.playlistTarget = qMax(0, m_playlist->checkedId());
    s.favorite = Co_Favorite->currentIndex() >= 0 ? Co_Favorite->currentText() : QString();
    s.playlist = Co_Playlist->currentIndex() >= 0 ? Co_Playlist->currentText() : QString();
    s.priority = Ch_Priority->isChecked();
    s.useOffTimer = Ch_UseOffTimer->isChecked();
    if (m_offTimer->checkedId() >= 0)
        s.offTimer = offTimerLengthOfItem(m_offTimer->checkedId());
    SaveOnTimerSettings(m_config.file(), QString::fromUtf16(keys::kOnTimer), s);

    setAddressSubstitution({Ed_DomainName->text(), Ed_PrivateAddress->text()});
    m_config.write(keys::DomainName, Ed_DomainName->text());
    m_config.write(keys::PrivateAddress, Ed_PrivateAddress->text());
    m_targets.browseOnPlay = Ch_Browse->isChecked();
    m_config.write(keys::Browse, m_targets.browseOnPlay);
    m_config.write(keys::Setup, 1);
    if (!batch.commit())
        messagebox::showWriteError(this, m_config.path());
    return result != 0;
}
