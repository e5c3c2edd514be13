// Preloaded into the program by environment_test.sh: reports every variable
// the program adds to its environment, or removes, while it runs more than
// one thread. Adding a variable may move the table that getenv() walks in
// another thread and free the old one under it. Replacing the value of a
// variable that exists changes one entry in place, so that one passes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <climits>

namespace {

int threadCount()
{
    DIR *tasks = opendir("/proc/self/task");
    if (!tasks)
        return -1;
    int count = 0;
    while (const dirent *entry = readdir(tasks))
        count += entry->d_name[0] != '.';
    closedir(tasks);
    return count;
}

bool watched()
{
    // Only the program named in ENVIRONMENT_WATCH_PROGRAM; the web engine's
    // helper processes inherit us too.
    static const bool program = [] {
        const char *wanted = std::getenv("ENVIRONMENT_WATCH_PROGRAM");
        char *self = realpath("/proc/self/exe", nullptr);
        char *named = wanted ? realpath(wanted, nullptr) : nullptr;
        const bool same = self && named && std::strcmp(self, named) == 0;
        std::free(self);
        std::free(named);
        return same;
    }();
    return program;
}

void check(const char *call, const char *name)
{
    if (!watched())
        return;
    const int threads = threadCount();
    if (threads != 1)
        std::fprintf(stderr, "environment watch: %s(%s) with %d threads\n", call, name, threads);
}

template<typename F>
F real(const char *symbol)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

extern "C" {

int setenv(const char *name, const char *value, int overwrite)
{
    static const auto next = real<int (*)(const char *, const char *, int)>("setenv");
    if (!std::getenv(name))
        check("setenv", name);
    return next(name, value, overwrite);
}

int putenv(char *assignment)
{
    static const auto next = real<int (*)(char *)>("putenv");
    check("putenv", assignment);
    return next(assignment);
}

int unsetenv(const char *name)
{
    static const auto next = real<int (*)(const char *)>("unsetenv");
    if (std::getenv(name))
        check("unsetenv", name);
    return next(name);
}

int clearenv()
{
    static const auto next = real<int (*)()>("clearenv");
    check("clearenv", "");
    return next();
}
}
