#pragma once

#include <QDir>
#include <QImage>
#include <QString>

// Keeps an image of what a panel drew in the test's output folder, at its
// own size and four times enlarged, to be looked at.
inline void keepImage(const QImage &image, const QString &name)
{
    const QString folder = QStringLiteral(KALVUNO_TEST_OUTPUT) + QStringLiteral("/panels");
    QDir().mkpath(folder);
    image.save(folder + u'/' + name + QStringLiteral(".png"));
    image.scaled(image.size() * 4).save(folder + u'/' + name + QStringLiteral("-x4.png"));
}
