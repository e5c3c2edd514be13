#pragma once

#include "TPlay.h"

// A player whose thread never runs: tests set its polled fields by hand.
class SilentPlayer : public TPlay
{
public:
    using TPlay::TPlay;
    bool terminated() const { return terminationRequested(); }

protected:
    void Open() override {}
    void Pause() override {}
    void Resume() override {}
    void Close() override {}
    void Seek(double) override {}
    int64_t GetPosition() override { return 0; }
    int64_t GetDuration() override { return 0; }
};
