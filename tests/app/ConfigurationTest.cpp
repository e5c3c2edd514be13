#include "Configuration.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(Configuration, EmptyFileGivesTheDefaults)
{
    TempDir tmp;
    writeBytes(tmp.path("Kalvuno.ini"), "");
    const Configuration config(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(config.read(keys::Setup), 0); // first-run set-up runs
    EXPECT_EQ(config.read(keys::VideoMode), 1);
    EXPECT_EQ(config.read(keys::RepeatMode), 0);
    EXPECT_FALSE(config.read(keys::OnTimer_ON));
    EXPECT_EQ(config.read(keys::OnTimerTime), u"00:00");
    EXPECT_EQ(config.read(keys::OnTimerTarget), 2);
    EXPECT_EQ(config.read(keys::OnTimerOffTimer), 0);
    EXPECT_FALSE(config.read(keys::OnTimerUseOffTimer));
    EXPECT_FALSE(config.read(keys::OnTimerPriority));
    EXPECT_TRUE(config.read(keys::DownloadON));
    EXPECT_TRUE(config.read(keys::DownloadKalvunoOnly));
    EXPECT_TRUE(config.read(keys::Browse));
    EXPECT_TRUE(config.read(keys::StatusBar));
    EXPECT_EQ(config.read(keys::Download), u"");
    EXPECT_EQ(config.read(keys::DomainName), u"");
    EXPECT_EQ(config.read(keys::Left, 123), 123);
}

TEST(Configuration, KeysOfAnyCaseAreTheSameKey)
{
    TempDir tmp;
    writeBytes(tmp.path("Kalvuno.ini"), "[general]\r\nDownLoad=/music/\r\nVIDEOMODE=-1\r\n");
    Configuration config(tmp.path("Kalvuno.ini"));
    EXPECT_EQ(config.read(keys::Download), u"/music/");
    EXPECT_EQ(config.read(keys::VideoMode), -1);
    ASSERT_TRUE(config.write(keys::Download, u"/other/"));
    EXPECT_EQ(readBytes(tmp.path("Kalvuno.ini")), "[general]\r\nDownLoad=/other/\r\nVIDEOMODE=-1\r\n");
}
