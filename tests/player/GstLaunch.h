#pragma once

#include "DemoMedia.h"

#include <string>
#include <vector>

// Runs "gst-launch-1.0 -q <pipeline>" and waits for it; true when it succeeded.
// Through posix_spawn rather than QProcess: after QProcess has started a
// child, the thread sanitizer misses lock hand-overs between threads and
// reports races that are none.
inline bool gstLaunch(std::vector<std::string> pipeline)
{
    pipeline.insert(pipeline.begin(), {"gst-launch-1.0", "-q"});
    return kalvuno::server::runProgram(std::move(pipeline));
}
