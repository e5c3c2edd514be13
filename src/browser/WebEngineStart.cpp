#include "WebEngineStart.h"

#include "WebEngineEnvironment.h"

#include <QCoreApplication>
#include <QQuickWindow>

bool prepareWebEngine()
{
    prepareWebEngineEnvironment();
    // The pages are composed in software. Composed with OpenGL, the web view
    // turns the whole window into one OpenGL surface, composed again on every
    // change anywhere in it (the playing time, once a second): that costs
    // several times the CPU of the playback itself, while the pages we show
    // are documents that software draws as fast. Another backend named in
    // QT_QUICK_BACKEND still has its way.
    if (!webViewComposesWithOpenGl()) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return false;
    }
    // The web view shares OpenGL contexts with the widgets; Qt wants this set
    // before the application object is made.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}
