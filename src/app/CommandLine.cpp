#include "CommandLine.h"

namespace kalvuno {

namespace {

// The switch's word without its "/" or "--", lower-cased; empty for other arguments.
QString switchWord(const QString &argument)
{
    QString word;
    if (argument.startsWith(u"--"))
        word = argument.mid(2);
    else if (argument.startsWith(u'/'))
        word = argument.mid(1);
    else
        return {};
    word = word.toLower();
    if (word == u"develop" || word == u"test" || word == u"minimize")
        return word;
    return {};
}

} // namespace

bool isSwitch(const QString &argument) { return !switchWord(argument).isEmpty(); }

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    result.runBeside = !arguments.isEmpty() && switchWord(arguments.first()) == u"test";
    for (const QString &argument : arguments) {
        const QString word = switchWord(argument);
        if (word == u"develop")
            result.service = ServiceChoice::Develop;
        else if (word == u"test")
            result.service = ServiceChoice::Test;
        else if (word == u"minimize")
            result.startMinimized = true;
        else
            result.files.append(argument);
    }
    return result;
}

} // namespace kalvuno
