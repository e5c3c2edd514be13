#include "WebEngineStart.h"

#include <QCoreApplication>
#include <unistd.h>

void prepareWebEngine()
{
    // The web view shares OpenGL contexts with the widgets; Qt wants this set
    // before the application object is made.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium refuses to start its sandboxed helpers as root (build machines
    // and containers run us that way); everyone else keeps the sandbox.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}
