#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(CommandLine, SwitchTable)
{
    struct Case
    {
        QStringList args;
        ServiceChoice service;
        bool minimized;
        bool beside;
        QStringList files;
    };
    const Case cases[] = {
        {{}, ServiceChoice::Default, false, false, {}},
        {{"/develop"}, ServiceChoice::Develop, false, false, {}},
        {{"/TEST"}, ServiceChoice::Test, false, true, {}},
        {{"--Test", "a.mp3"}, ServiceChoice::Test, false, true, {"a.mp3"}},
        {{"a.mp3", "/test"}, ServiceChoice::Test, false, false, {"a.mp3"}},
        {{"/test", "/develop"}, ServiceChoice::Develop, false, true, {}},
        {{"/develop", "--test"}, ServiceChoice::Test, false, false, {}},
        {{"/Minimize"}, ServiceChoice::Default, true, false, {}},
        {{"--minimize", "/home/u/曲.mp3", "x.fvr"}, ServiceChoice::Default, true, false, {"/home/u/曲.mp3", "x.fvr"}},
        {{"/tests", "-test", "---test"}, ServiceChoice::Default, false, false, {"/tests", "-test", "---test"}},
    };
    for (const Case &c : cases) {
        const CommandLine parsed = parseCommandLine(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(parsed.service, c.service) << what;
        EXPECT_EQ(parsed.startMinimized, c.minimized) << what;
        EXPECT_EQ(parsed.runBeside, c.beside) << what;
        EXPECT_EQ(parsed.files, c.files) << what;
    }
}
