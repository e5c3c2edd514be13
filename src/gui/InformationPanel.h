#pragma once

#include "CurrentPlaylist.h"
#include "InformationPanelPainter.h"
#include "InformationPanelRules.h"
#include "VirtualButtons.h"

#include <QWidget>
#include <functional>

// The paint box PB_Information: the selected entry's artist, title, genre and
// play count, a chart of its recent ranks, and the round Home button that
// opens the artist's home page. Its state and rules live in
// InformationPanelRules.
class InformationPanel : public QWidget, public VirtualButtons
{
    Q_OBJECT
public:
    explicit InformationPanel(QWidget *parent = nullptr);

    // Renders the surfaces (once, at the window's first show); nothing is
    // painted before.
    void Build();
    // The window has started to close: nothing is painted any more.
    void setClosing();
    // The selected entry's texts; repaints.
    void setTexts(const kalvuno::EntryInfo &info);

    // Where a release on the Home button goes: the entry's home address,
    // substituted and at most 1000 characters long.
    std::function<void(const QString &url)> navigate;

    const kalvuno::InformationPanelRules &rules() const { return m_rules; }
    QSize sizeHint() const override { return {181, 185}; }

    int virtualButtonCount() const override { return 1; }
    QString virtualButtonName(int) const override;
    QRect virtualButtonRect(int) const override;
    bool virtualButtonEnabled(int) const override { return m_rules.homeEnabled(); }
    bool virtualButtonPressed(int) const override { return m_rules.pressed(); }
    void pressVirtualButton(int) override;

signals:
    // The hint changes as the pointer enters or leaves the Home button: the
    // button's hint with the address after "\r" (a line break), or the panel's own.
    void hintChanged(const QString &hint);

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
    void fitTexts();
    // Repaints when asked to, and passes a changed hint on.
    void changed(bool repaint);
    void go(const QString &url);

    kalvuno::InformationPanelRules m_rules;
    InformationPanelPainter m_painter;
    InformationPanelView m_view;
    QString m_hint;
    bool m_built = false;
    bool m_closing = false;
};
