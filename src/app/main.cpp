#include "ProfilePaths.h"
#include "SingleInstance.h"
#include "Unit1.h"
#include "fovideo.h"

#include <QApplication>

using namespace kalvuno;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvuno"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kalvuno"));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList arguments = app.arguments().mid(1);
    const QString profile = profileFolder();
    ensureFolder(profile);

    SingleInstance instance(SingleInstance::nameFor(profile));
    if (!parseCommandLine(arguments).runBeside)
        instance.closeRunningInstance(5000);
    instance.listen();

    TFo_Kalvuno mainWindow(profile, arguments);
    TFo_Video video;
    mainWindow.setVideoWindow(&video);
    QObject::connect(&instance, &SingleInstance::closeRequested, &mainWindow, &QWidget::close);
    mainWindow.show();
    return app.exec();
}
