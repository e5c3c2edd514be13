#include "AppPaths.h"
#include "BrowserModule.h"
#include "BusyIndicator.h"
#include "EarlyStart.h"
#include "HttpTransport.h"
#include "MessageBox.h"
#include "ProfilePaths.h"
#include "SingleInstance.h"
#include "TPlay.h"
#include "TPlayGst.h"
#include "TerminationSignals.h"
#include "WebEngineEnvironment.h"
#include "MainWindow.h"
#include "VideoWindow.h"

#include <QApplication>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace kalvuno;

namespace {

// How long a new launch waits for the running instance to go.
constexpr int kCloseWaitMs = 30000;

// Diagnostics, Qt's own included, reach stderr only when asked for.
void quietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool verbose = qEnvironmentVariable("KALVUNO_VERBOSE") == u"1";
    if (verbose || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Reading a long playlist needs a few buffers of megabytes (the file's bytes,
// its decoded text) for a moment. By default the allocator takes such a block
// from the system and gives it back when freed, but then it raises its limit
// to that block's size, so the next ones come from the heap, where the list
// read into them lies on top and keeps the freed megabytes with the process
// for good. A fixed limit keeps every block of a megabyte or more out of the
// heap. Blocks that big are rare otherwise: video frames travel in the video
// sink's own shared memory.
void keepLargeBlocksOffTheHeap()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
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
    keepLargeBlocksOffTheHeap();
    qInstallMessageHandler(quietMessageHandler);
    // KALVUNO_NO_BROWSER=1 leaves the web view out (the start-up benchmark
    // compares the window with and without it).
    const bool withBrowser = qEnvironmentVariable("KALVUNO_NO_BROWSER") != u"1";
    // Everything the process writes into its environment is written here,
    // while it has no other thread: a thread that reads the environment as a
    // variable is added can crash.
    if (withBrowser)
        prepareWebEngineEnvironment();
    // Unless the web view does, nothing draws with OpenGL: loading the
    // display's OpenGL driver (with Mesa's software one, all of LLVM) would
    // only cost memory and time.
    if (!(withBrowser && webViewComposesWithOpenGl()) && !qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    const GstreamerStart gstreamer;
    // A playlist named on the command line starts sounding while the window is built.
    EarlyStart early = startEarly(argc, argv);
    // The web engine's settings must be in place before the application
    // exists. Its module, and the web engine with it, is loaded here or
    // never; without it the window says so.
    if (const BrowserModuleEntry *browser = withBrowser ? BrowserModule::shared().load() : nullptr)
        browser->prepareWebEngine();
    QApplication app(argc, argv);
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("kalvuno"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kalvuno"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Blocking requests show the wait cursor; while one waits the windows
    // keep painting and close requests get through, but the user's input
    // waits until it has returned.
    BusyScope::setHooks([] { QApplication::setOverrideCursor(Qt::WaitCursor); },
                        [] { QApplication::restoreOverrideCursor(); });
    HttpTransport::setWaitHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });

    qInfo("kalvuno: resources from %s", qPrintable(dataFolder()));
    const QStringList arguments = app.arguments().mid(1);
    const QString profile = profileFolder();
    ensureFolder(profile);

    // Never run beside another instance of the profile, unless asked to.
    SingleInstance instance(SingleInstance::folderFor(profile));
    if (!parseCommandLine(arguments).runBeside && !instance.closeRunningInstances(kCloseWaitMs)) {
        messagebox::showError(nullptr, QStringLiteral("Kalvuno を終了できませんでした。"));
        return 1;
    }
    // Caught from before anyone can find us: a close request sent as soon
    // as we answer must close the window as the user would.
    TerminationSignals termination;
    instance.listen();

    TFo_Kalvuno mainWindow(profile, arguments);
    TFo_Video video;
    mainWindow.setVideoWindow(&video);
    mainWindow.setEarlyStart(std::move(early));
    mainWindow.setBrowserEnabled(withBrowser);
    QObject::connect(&instance, &SingleInstance::closeRequested, &mainWindow, &TFo_Kalvuno::requestClose);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &mainWindow, &TFo_Kalvuno::requestClose);
    mainWindow.show();
    const int result = app.exec();
    // No player thread may outlive the windows it draws into.
    TPlay::waitForAllClosed(5000);
    return result;
}
