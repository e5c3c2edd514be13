#include "BusyIndicator.h"
#include "ProfilePaths.h"
#include "SingleInstance.h"
#include "TPlay.h"
#include "TerminationSignals.h"
#include "MainWindow.h"
#include "VideoWindow.h"

#include <QApplication>

using namespace kalvuno;

namespace {

// Diagnostics, Qt's own included, reach stderr only when asked for.
void quietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const bool verbose = qEnvironmentVariable("KALVUNO_VERBOSE") == u"1";
    if (verbose || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietMessageHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvuno"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kalvuno"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Blocking requests show the wait cursor.
    BusyScope::setHooks([] { QApplication::setOverrideCursor(Qt::WaitCursor); },
                        [] { QApplication::restoreOverrideCursor(); });

    qInfo("kalvuno: resources from %s", qPrintable(dataFolder()));
    const QStringList arguments = app.arguments().mid(1);
    const QString profile = profileFolder();
    ensureFolder(profile);

    SingleInstance instance(SingleInstance::nameFor(profile));
    if (!parseCommandLine(arguments).runBeside)
        instance.closeRunningInstance(5000);
    instance.listen();
    TerminationSignals termination;

    TFo_Kalvuno mainWindow(profile, arguments);
    TFo_Video video;
    mainWindow.setVideoWindow(&video);
    QObject::connect(&instance, &SingleInstance::closeRequested, &mainWindow, &QWidget::close);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &mainWindow, &QWidget::close);
    mainWindow.show();
    const int result = app.exec();
    // No player thread may outlive the windows it draws into.
    TPlay::waitForAllClosed(5000);
    return result;
}
