#pragma once

// What every fuzz target shares: one QCoreApplication, one temporary folder
// for the targets that need a file, and a check that stops the run (so that
// libFuzzer keeps the input) when a property does not hold.
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace kalvuno::fuzz {

[[noreturn]] inline void propertyFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

// Called once before the first input (FuzzStart.cpp): Qt's text and file code wants an application object.
inline void startQt(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
}

// A folder made once per run for the targets that need a file: in
// $KALVUNO_FUZZ_TMP when set (scripts/fuzz.sh points it into memory and
// removes it afterwards, also when a run stops at a fault), else in the
// system's temporary folder.
inline QString tempPath(const QString &name)
{
    static const QString base
        = qEnvironmentVariableIsSet("KALVUNO_FUZZ_TMP") ? qEnvironmentVariable("KALVUNO_FUZZ_TMP") : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/kalvuno-fuzz-XXXXXX"));
    if (!dir.isValid())
        propertyFailed("a temporary folder can be made", __FILE__, __LINE__);
    return dir.filePath(name);
}

} // namespace kalvuno::fuzz

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::kalvuno::fuzz::propertyFailed(#condition, __FILE__, __LINE__);                                           \
    } while (0)
