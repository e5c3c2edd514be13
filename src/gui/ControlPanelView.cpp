#include "ControlPanelView.h"

#include "TPlay.h"

#include <algorithm>
#include <cmath>

namespace kalvuno {

QString panelTime(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ControlPanelView::elapsed() const { return panelTime(elapsedSeconds); }

QString ControlPanelView::total() const { return panelTime(totalSeconds); }

ControlPanelView controlPanelView(const ControlPanelRules &rules)
{
    ControlPanelView view;
    for (int i = 0; i < kControlButtonCount; ++i)
        view.pressed[size_t(i)] = rules.pressed(i);
    view.hover = rules.hover();
    const std::shared_ptr<TPlay> player = rules.player();
    if (!player)
        return view;
    const int state = player->State;
    view.pauseIcon = state == 1;
    view.thumb = state == 1 || state == 2;
    if (view.thumb)
        view.thumbLeft = ControlPanelRules::thumbLeft(rules.position());
    view.times = true;
    const int64_t total = std::max<int64_t>(player->Duration, 0) / kHoldStep;
    view.totalSeconds = total;
    view.elapsedSeconds = int64_t(std::trunc(static_cast<long double>(total) * rules.position()));
    return view;
}

} // namespace kalvuno
