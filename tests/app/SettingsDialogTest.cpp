#include "Configuration.h"
#include "MessageBox.h"
#include "SettingsDialog.h"
#include "TempDir.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabWidget>
#include "QtTry.h"
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

struct SettingsDialogTest : ::testing::Test
{
    TempDir tmp;
    Configuration config{tmp.path("Kalvuno.ini")};
    bool onTimerEnabled = false;
    OnTimerSettings onTimer;
    bool browseOnPlay = true;

    void SetUp() override { messagebox::clearAnsweredTexts(); }
    std::unique_ptr<TFo_Setup> dialog(int page = 0)
    {
        auto d = std::make_unique<TFo_Setup>(config, SetupTargets{onTimerEnabled, onTimer, browseOnPlay});
        d->StartPage = page;
        d->Co_Favorite->addItems({"朝", "夜"});
        d->Co_Playlist->addItems({"p1", "p2"});
        d->show();
        return d;
    }
};

TEST_F(SettingsDialogTest, FolderChecksInTheirOrderAndEverythingElseWritten)
{
    QDir().mkpath(tmp.path("music"));
    auto d = dialog();
    EXPECT_EQ(d->PC_Page->currentIndex(), 0);
    d->Ed_DownloadMP3->setText(tmp.path("music"));
    d->Ed_DownloadWAV->setText(tmp.path("none1"));
    d->Ed_DownloadMpeg->clear();
    d->Ed_DownloadMIDI->setText(tmp.path("none2/"));
    d->Ch_OnTimerON->setChecked(true);
    d->Ch_Browse->setChecked(false);
    d->Ed_DomainName->setText("music.example.jp");
    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    EXPECT_FALSE(d->Bu_OKClick()) << "the dialog stays open";
    EXPECT_EQ(messagebox::answeredTexts(),
              (QStringList{"指定されたフォルダ \"" + tmp.path("none1/") + "\"は存在しません。",
                           "指定されたフォルダ \"" + tmp.path("none2/") + "\"は存在しません。"}));
    EXPECT_EQ(d->Ed_DownloadMP3->text(), tmp.path("music/"));
    IniFile written(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(written.readString(u"General", u"Download"), tmp.path("music/"));
    EXPECT_EQ(written.readString(u"General", u"DownloadMpeg", "unset"), "");
    EXPECT_EQ(written.readString(u"General", u"DownloadWAV", "unset"), "unset");
    EXPECT_EQ(written.readString(u"General", u"DownloadMIDI", "unset"), "unset");
    EXPECT_EQ(written.readString(u"General", u"OnTimer_ON"), "1");
    EXPECT_EQ(written.readString(u"General", u"Browse"), "0");
    EXPECT_EQ(written.readString(u"General", u"DomainName"), "music.example.jp");
    EXPECT_EQ(written.readString(u"General", u"Setup"), "1");
    EXPECT_TRUE(onTimerEnabled);
    EXPECT_FALSE(browseOnPlay);
}

TEST_F(SettingsDialogTest, OnTimerPageInFiveMinuteSteps)
{
    onTimer.time = QTime(7, 32);
    onTimer.target = 3;
    onTimer.favorite = "消えた";
    onTimer.playlist = "p2";
    onTimer.playlistTarget = 1;
    auto d = dialog(1);
    EXPECT_EQ(d->PC_Page->currentIndex(), 1);
    EXPECT_EQ(d->Co_Hour->currentText(), "7");
    EXPECT_EQ(d->Co_Minute->currentText(), "30");
    EXPECT_EQ(d->Co_Favorite->currentIndex(), -1) << "a favourite no longer listed";
    EXPECT_EQ(d->Co_Playlist->currentText(), "p2");
    EXPECT_TRUE(d->m_offTimer->button(0)->isChecked()) << "a length never set shows 30 minutes";
    d->Ti_CheckTimer();
    EXPECT_FALSE(d->RG_Favorite->isEnabled());
    EXPECT_FALSE(d->Co_Favorite->isEnabled());
    EXPECT_TRUE(d->RG_Playlist->isEnabled());
    EXPECT_TRUE(d->Co_Playlist->isEnabled());
    EXPECT_FALSE(d->RG_OffTimer->isEnabled());
    d->Ch_UseOffTimer->setChecked(true);
    d->Ch_DownloadON->setChecked(false);
    QTRY_VERIFY(d->RG_OffTimer->isEnabled());
    QTRY_VERIFY(!d->Pa_DownloadPath->isEnabled());
    EXPECT_FALSE(d->Ch_DownloadKalvunoOnly->isEnabled());

    ASSERT_TRUE(d->Bu_OKClick());
    IniFile written(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(written.readString(u"OnTimer0", u"Time"), "7:30:00");
    EXPECT_EQ(written.readString(u"OnTimer0", u"OffTimer"), "1800000");
    EXPECT_EQ(written.readString(u"OnTimer0", u"Favorite", "unset"), "");
    EXPECT_EQ(written.readString(u"OnTimer0", u"Playlist"), "p2");
    EXPECT_EQ(written.readString(u"OnTimer0", u"UseOffTimer"), "1");
    EXPECT_EQ(onTimer.time, QTime(7, 30));
    EXPECT_TRUE(onTimer.useOffTimer);
}

TEST_F(SettingsDialogTest, CancelWritesNothing)
{
    auto d = dialog();
    d->Ch_OnTimerON->setChecked(true);
    d->reject();
    EXPECT_FALSE(QFile::exists(tmp.path("Kalvuno.ini")));
    EXPECT_FALSE(onTimerEnabled);
}

} // namespace
