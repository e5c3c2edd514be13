#pragma once

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

// Runs "gst-launch-1.0 -q <pipeline>" and waits for it; true when it succeeded.
// Through posix_spawn rather than QProcess: after QProcess has started a
// child, the thread sanitizer misses lock hand-overs between threads and
// reports races that are none.
inline bool gstLaunch(std::vector<std::string> pipeline)
{
    extern char **environ;
    pipeline.insert(pipeline.begin(), {"gst-launch-1.0", "-q"});
    std::vector<char *> argv;
    for (std::string &a : pipeline)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
