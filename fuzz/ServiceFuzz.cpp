// The library service's commands in process: searches, hides, no-file
// reports, play counts and song-list uploads, with well-formed and forged
// tokens. No request ever gets a 5xx answer, each command answers only with
// its own statuses, and a refused request changes nothing a search can see.
//
// Input: a sequence of commands read with FuzzedDataProvider.
#include "FuzzSupport.h"
#include "QueryText.h"
#include "ServiceWorld.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <initializer_list>

using namespace kalvuno;
using namespace kalvuno::fuzz;

namespace {

std::unique_ptr<ServiceWorld> g_world;
bool g_changed = false;

bool oneOf(int status, std::initializer_list<int> allowed)
{
    for (int s : allowed)
        if (s == status)
            return true;
    return false;
}

// A token as the client makes it, or one that is forged, too old or cut.
std::string token(FuzzedDataProvider &in, const std::string &id, const std::string &data)
{
    const int day = kToday + in.ConsumeIntegralInRange(-2, 2);
    std::string t = makeRequestToken(id, data, day);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return t;
    case 1: {
        const size_t at = in.ConsumeIntegralInRange<size_t>(0, t.size() - 1);
        t[at] = char(t[at] ^ in.ConsumeIntegralInRange(1, 255));
        return t;
    }
    case 2:
        return t.substr(0, in.ConsumeIntegralInRange<size_t>(0, t.size()));
    default:
        return in.ConsumeBytesAsString(16);
    }
}

std::string someId(FuzzedDataProvider &in, const ServiceWorld &world)
{
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0:
        return world.accessId;
    case 1:
        return world.ownSongId;
    case 2:
        return world.freeSongId;
    case 3:
        return "a000000" + std::to_string(in.ConsumeIntegralInRange(1, 7)) + "00000000";
    default:
        return in.ConsumeBytesAsString(16);
    }
}

server::Reply runCommand(FuzzedDataProvider &in, ServiceWorld &world, bool &mayChange)
{
    using server::Reply;
    const int command = in.ConsumeIntegralInRange(0, 4);
    mayChange = command != 0;
    switch (command) {
    case 0: {
        const Reply r = world.service->search(in.ConsumeRandomLengthString(200), kHost);
        FUZZ_CHECK(oneOf(r.status, { 200, 400 }));
        return r;
    }
    case 1: {
        const Reply r = world.service->hide(in.ConsumeRandomLengthString(200));
        FUZZ_CHECK(oneOf(r.status, { 200, 404 }));
        return r;
    }
    case 2: {
        const Reply r = world.service->noFile(in.ConsumeRandomLengthString(200));
        FUZZ_CHECK(oneOf(r.status, { 200, 404 }));
        return r;
    }
    case 3: {
        const std::string id = someId(in, world);
        const std::string data = in.ConsumeRandomLengthString(40);
        const std::string body
            = in.ConsumeBool() ? token(in, id, data) + "\r" + data : in.ConsumeRandomLengthString(60);
        const Reply r = world.service->playCount(body);
        FUZZ_CHECK(oneOf(r.status, { 200, 400, 403, 404 }));
        return r;
    }
    default: {
        const std::string id = someId(in, world);
        std::string file = in.ConsumeRandomLengthString(400);
        std::string body;
        if (in.ConsumeBool()) {
            body = uploadBody(id, file, kToday);
            body.replace(0, 16, token(in, id, file));
        } else {
            body = in.ConsumeRandomLengthString(400);
        }
        const Reply r = world.service->sendSongList(body);
        FUZZ_CHECK(oneOf(r.status, { 200, 400, 403, 404 }));
        return r;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Query text: every byte survives percent-encoding, and pairs keep their order.
    {
        FuzzedDataProvider in(data, size);
        const std::string raw = in.ConsumeRandomLengthString(64);
        std::string encoded;
        for (unsigned char c : raw) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            encoded += hex;
        }
        FUZZ_CHECK(server::percentDecode(encoded) == raw);
        FUZZ_CHECK(server::splitQuery("k=" + encoded).size() == 1);
        FUZZ_CHECK(server::splitQuery("k=" + encoded)[0].second == raw);
    }

    // Each input starts from the same catalog.
    if (!g_world || g_changed)
        g_world = std::make_unique<ServiceWorld>();
    g_changed = false;
    ServiceWorld &world = *g_world;
    std::string before = world.initial;
    FuzzedDataProvider in(data, size);
    for (int i = 0; i < 8 && in.remaining_bytes() > 0; ++i) {
        bool mayChange = false;
        const server::Reply r = runCommand(in, world, mayChange);
        FUZZ_CHECK(r.status < 500);
        if (r.status != 200) {
            FUZZ_CHECK(world.everything() == before);
        } else if (mayChange) {
            g_changed = true;
            before = world.everything();
        }
    }
    return 0;
}
