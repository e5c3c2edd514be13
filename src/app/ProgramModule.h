#pragma once

#include <QString>

namespace kalvuno {

class EarlyStart;

// The program proper is a module (libkalvuno_program.so) beside the program
// in the build tree and in its private library folder when installed. Linking
// the libraries of the user interface costs a start more than the first
// song's own opening; loaded after the entry has set the early song going,
// they no longer stand before it.
using ProgramMain = int (*)(int argc, char *argv[], EarlyStart *early);

// The module's entry, or nullptr with `error` telling why (not found, not
// loadable, or from another build: the entry hands it C++ objects, so only
// the module built with it will do).
ProgramMain loadProgramModule(QString &error);

} // namespace kalvuno

#define KALVUNO_PROGRAM_EXPORT __attribute__((visibility("default")))
