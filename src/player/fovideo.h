#pragma once

#include <QWidget>

// The video window: a black window of its own that shows the video of the
// entry being played. Closing it only hides it.
class TFo_Video : public QWidget
{
    Q_OBJECT
public:
    explicit TFo_Video(QWidget *parent = nullptr);
};
