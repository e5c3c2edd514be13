#include "ServiceAddressing.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(ServiceAddressing, ValuesFromTheHost)
{
    const ServiceAddressing a = ServiceAddressing::forHost("localhost:8563", QString::fromUtf16(kServiceScriptPath));
    EXPECT_EQ(a.folderUrl, u"http://localhost:8563/kalvuno/");
    EXPECT_EQ(a.baseUrl, u"http://localhost:8563/kalvuno/center2.fws");
    EXPECT_EQ(a.scriptPath, u"/kalvuno/center2.fws");
    EXPECT_EQ(topPageUrl("localhost:8563"), u"http://localhost:8563/kalvuno/top.html");
}

TEST(ServiceAddressing, DevelopKeepsThePortOfTheDefaultHost)
{
    EXPECT_EQ(developServiceHost("localhost:8563"), u"127.0.0.1:8563");
    EXPECT_EQ(developServiceHost("music.example"), u"127.0.0.1");
    EXPECT_EQ(developServiceHost("[::1]:9000"), u"127.0.0.1:9000");
    EXPECT_EQ(developServiceHost("[::1]"), u"127.0.0.1");
}

TEST(ServiceAddressing, EnvironmentChoosesTheDefaultHost)
{
    qputenv("KALVUNO_SERVICE_HOST", "127.0.0.1:4000");
    EXPECT_EQ(defaultServiceHost(), u"127.0.0.1:4000");
    qunsetenv("KALVUNO_SERVICE_HOST");
    EXPECT_EQ(defaultServiceHost(), u"localhost:8563");
}
