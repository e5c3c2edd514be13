#pragma once

#include "ControlPanelPainter.h"
#include "ControlPanelRules.h"
#include "VirtualButtons.h"

#include <QWidget>

// The paint box PB_Control: six round playback buttons, the position lane
// with its thumb, and the elapsed and total time, all painted from the
// surfaces built at the window's first show. Its state and rules live in
// ControlPanelRules; this widget turns mouse events into their calls and
// paints what they hold.
class ControlPanel : public QWidget, public VirtualButtons
{
    Q_OBJECT
public:
    explicit ControlPanel(kalvuno::ControlPanelRules &rules, QWidget *parent = nullptr);

    // Renders the surfaces (once, at the window's first show); nothing is
    // painted before.
    void Build();
    // The window has started to close: nothing is painted any more.
    void setClosing();
    // Repaints when what the panel shows changed: a thumb pixel, a time, an
    // icon. The tick calls this; so may anyone who changed playback.
    void refresh();

    QSize sizeHint() const override { return {181, 94}; }

    int virtualButtonCount() const override { return kalvuno::kControlButtonCount; }
    QString virtualButtonName(int i) const override;
    QRect virtualButtonRect(int i) const override;
    bool virtualButtonEnabled(int) const override { return true; }
    bool virtualButtonPressed(int i) const override { return m_rules.pressed(i); }
    void pressVirtualButton(int i) override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void buildSurfaces();
    void releaseLost();

    kalvuno::ControlPanelRules &m_rules;
    ControlPanelPainter m_painter;
    kalvuno::ControlPanelView m_shown;
    bool m_built = false;
    bool m_closing = false;
};
