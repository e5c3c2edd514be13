#pragma once

#include "VideoSurface.h"

#include <QWidget>
#include <atomic>

// The video window: a black window of its own in which the video of the entry
// being played is drawn. Closing it only hides it.
class TFo_Video : public QWidget, public VideoSurface
{
    Q_OBJECT
public:
    explicit TFo_Video(QWidget *parent = nullptr);
    ~TFo_Video() override;

    uintptr_t nativeWindow() const override { return m_window; }
    QSize clientSize() const override;
    // These may come from a player thread: they run on ours.
    void showSurface(const QString &caption) override;
    void hideSurface() override;
    void setClientSize(const QSize &size) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    std::atomic<uintptr_t> m_window{0};
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
};
