#pragma once

#include "ControlPanelRules.h"
#include "SilentPlayer.h"
#include "TPlay.h"

#include <QStringList>
#include <memory>
#include <vector>

// A silent player in a given state.
class FakePlayer : public SilentPlayer
{
public:
    FakePlayer(int state, int64_t duration, double position) : SilentPlayer(QStringLiteral("fake"))
    {
        State = state;
        Duration = duration;
        Position = position;
    }
};

// Records what the control panel asks for: "Pause", "Stop", "playOrPause",
// "step-1", "step+1", and each command as "<player number>:<text>" (players
// numbered from 1 in the order the test made them).
struct FakeControlHost : kalvuno::ControlPanelHost
{
    std::vector<std::shared_ptr<FakePlayer>> players;
    std::shared_ptr<FakePlayer> current;
    QStringList calls;

    FakePlayer &newPlayer(int state, int64_t duration = 0, double position = 0)
    {
        players.push_back(std::make_shared<FakePlayer>(state, duration, position));
        current = players.back();
        return *current;
    }
    std::shared_ptr<TPlay> player() const override { return current; }
    void PausePlayback() override { calls.append(QStringLiteral("Pause")); }
    void StopPlayback() override { calls.append(QStringLiteral("Stop")); }
    void playOrPause() override { calls.append(QStringLiteral("playOrPause")); }
    void stepSelection(int delta) override
    {
        calls.append(delta < 0 ? QStringLiteral("step-1") : QStringLiteral("step+1"));
    }
    void sendCommand(TPlay &player, const QString &command) override
    {
        for (size_t i = 0; i < players.size(); ++i)
            if (players[i].get() == &player)
                calls.append(QString::number(i + 1) + u':' + command);
    }
};
