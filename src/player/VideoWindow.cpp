#include "VideoWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>

TFo_Video::TFo_Video(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Fo_Video"));
    setAccessibleName(QStringLiteral("ビデオ"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    // The video sink draws straight into our own native window.
    setAttribute(Qt::WA_NativeWindow);
    resize(320, 240);
    m_window = uintptr_t(winId());
    m_width = width();
    m_height = height();
}

// A player still closing may be calling on us from its thread: cut it off
// before any part of the window goes.
TFo_Video::~TFo_Video() { detachSurface(); }

QSize TFo_Video::clientSize() const { return QSize(m_width, m_height); }

void TFo_Video::showSurface(const QString &caption)
{
    QMetaObject::invokeMethod(
        this,
        [this, caption] {
            setWindowTitle(caption);
            show();
        },
        Qt::QueuedConnection);
}

void TFo_Video::hideSurface() { QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection); }

void TFo_Video::setClientSize(const QSize &size)
{
    QMetaObject::invokeMethod(this, [this, size] { resize(size); }, Qt::QueuedConnection);
}

void TFo_Video::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_width = width();
    m_height = height();
    setResizePending();
}

void TFo_Video::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isMaximized()) {
        showNormal();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFo_Video::closeEvent(QCloseEvent *event)
{
    // Closing only hides the window; a playing video goes on.
    hide();
    event->ignore();
}
