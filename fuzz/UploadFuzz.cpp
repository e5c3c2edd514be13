// The song-list upload through the service's handler, with a valid token: the
// list is either taken whole (every public song it names can then be found,
// and the owner's earlier song that it does not name cannot) or refused (400
// for a list the service will not store, such as one with control bytes; 403
// for songs that are not the uploader's) with nothing changed; never a 5xx.
//
// Input: the list's bytes; "%A" stands for the song ID the uploader owns and
// "%B" for one issued to nobody yet, so that lists can name real songs.
#include "FuzzSupport.h"
#include "IniFile.h"
#include "ServiceWorld.h"

#include <QSet>

using namespace kalvuno;
using namespace kalvuno::fuzz;

namespace {

std::unique_ptr<ServiceWorld> g_world;
bool g_changed = false;

void replaceAll(std::string &text, const std::string &what, const std::string &with)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

QSet<QString> sectionsOf(const std::string &bytes, bool publicOnly)
{
    IniFile ini { QString() };
    ini.loadBytes(QByteArray(bytes.data(), qsizetype(bytes.size())));
    QSet<QString> names;
    for (const QString &name : ini.sectionNames())
        if (!publicOnly || ini.readInteger(name, u"Open", 1) > 0)
            names.insert(name);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!g_world || g_changed)
        g_world = std::make_unique<ServiceWorld>();
    g_changed = false;
    ServiceWorld &world = *g_world;

    std::string file(reinterpret_cast<const char *>(data), size);
    replaceAll(file, "%A", world.ownSongId);
    replaceAll(file, "%B", world.freeSongId);
    const std::string &before = world.initial;
    const size_t countBefore = world.service->songCount();

    const server::Reply r = world.service->sendSongList(uploadBody(world.accessId, file, kToday));
    FUZZ_CHECK(r.status == 200 || r.status == 400 || r.status == 403);
    if (r.status != 200) {
        FUZZ_CHECK(world.everything() == before);
        FUZZ_CHECK(world.service->songCount() == countBefore);
        return 0;
    }
    g_changed = true;
    // Public songs of the list can be found, the owner's song it left out cannot.
    const QSet<QString> found = sectionsOf(world.everything(), false);
    for (const QString &id : sectionsOf(file, true))
        FUZZ_CHECK(found.contains(id));
    const QString own = QString::fromStdString(world.ownSongId);
    FUZZ_CHECK(sectionsOf(file, false).contains(own) || !found.contains(own));
    return 0;
}
