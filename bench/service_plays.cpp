// Writes a wrk script that sends play counts for the song IDs read from
// standard input (one a line), each with a valid request token for today:
//   kalvuno_bench_service_plays PATH DELAY_MS < ids > plays.lua
// PATH is the mp3count command's path; DELAY_MS the pause of each
// connection between two plays.
#include "RequestToken.h"
#include "ServiceClock.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATH DELAY_MS < ids\n", argv[0]);
        return 2;
    }
    const int32_t today = kalvuno::todayDayNumber();
    std::printf("bodies = {\n");
    std::string id;
    int n = 0;
    while (std::getline(std::cin, id)) {
        if (id.empty())
            continue;
        const std::string data = "bench" + std::to_string(n++);
        std::printf("  \"%s\\r%s\",\n", kalvuno::makeRequestToken(id, data, today).c_str(), data.c_str());
    }
    std::printf("}\nrequest = function() return wrk.format(\"POST\", \"%s\", nil, bodies[math.random(#bodies)]) end\n",
                argv[1]);
    std::printf("delay = function() return %d end\n", std::atoi(argv[2]));
    return n > 0 ? 0 : 1;
}
