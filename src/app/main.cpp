// The program's entry. Before anything else GStreamer starts on a thread of
// its own and a playlist named on the command line starts sounding; then the
// program proper is loaded (ProgramModule.h) and runs. Only QtCore and
// GStreamer are linked this far.
#include "AppPaths.h"
#include "EarlyStart.h"
#include "ProfilePaths.h"
#include "ProgramModule.h"
#include "SingleInstance.h"
#include "TPlay.h"
#include "TPlayGst.h"

#include <cstdio>

using namespace kalvuno;

namespace {

// Diagnostics, Qt's own included, reach stderr only when asked for.
void quietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool verbose = qEnvironmentVariable("KALVUNO_VERBOSE") == u"1";
    if (verbose || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

EarlyStart startEarly(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString profile = profileFolder();
    return EarlyStart::forArguments(arguments, AppPaths::inFolder(profile), SingleInstance::folderFor(profile));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietMessageHandler);
    const GstreamerStart gstreamer;
    // A playlist named on the command line starts sounding while the window is built.
    EarlyStart early = startEarly(argc, argv);
    QString error;
    const ProgramMain program = loadProgramModule(error);
    if (!program) {
        fprintf(stderr, "kalvuno: %s\n", qPrintable(error));
        return 1;
    }
    const int result = program(argc, argv, &early);
    // The early song's player, when the window never took it over, ends too.
    early.drop();
    TPlay::waitForAllClosed(5000);
    return result;
}
