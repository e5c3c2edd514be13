#pragma once

#include <QStringList>

namespace kalvuno {

enum class ServiceChoice { Default, Develop, Test };

struct CommandLine
{
    ServiceChoice service = ServiceChoice::Default;
    bool startMinimized = false;
    // "/test" as the first argument lets this instance run beside a running one.
    bool runBeside = false;
    // Every argument that is not a switch, in order. An argument that starts
    // with "/" and is no switch is an absolute path.
    QStringList files;
};

// True for "/develop", "/test", "/minimize" and their "--" spellings, in any case.
bool isSwitch(const QString &argument);

// The arguments after the program's name.
CommandLine parseCommandLine(const QStringList &arguments);

} // namespace kalvuno
