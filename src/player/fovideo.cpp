#include "fovideo.h"

#include <QPalette>

TFo_Video::TFo_Video(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Fo_Video"));
    setAccessibleName(QStringLiteral("ビデオ"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    resize(320, 240);
}
