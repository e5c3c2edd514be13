#pragma once

#include "Catalog.h"
#include "Song.h"

#include <optional>
#include <string>
#include <vector>

namespace kalvuno::server {

// Where songs go in bulk: the demo catalog and load-test seeds.
class SongWriter
{
public:
    virtual ~SongWriter() = default;
    virtual bool insertSongs(const std::vector<Song> &songs) = 0;
};

// The catalog behind the library service: searches, the IDs it hands out and
// every change the commands make. The service's rules (tokens, what an
// upload holds, how a hide request splits) live above it, the same for every
// store. Safe to call from many threads.
class LibraryStore
{
public:
    enum class Outcome { Done, NotFound, Refused, Failed };
    enum class IdKind { Access, Song };

    virtual ~LibraryStore() = default;

    // The answer to a search in the song-entry format (see Catalog::answer);
    // nothing when the catalog cannot be read.
    virtual std::optional<std::string> search(const SearchRequest &request, const std::string &hostPort) = 0;
    // The newest visible library songs of a kind, newest first.
    virtual std::vector<Song> newest(Kind kind, int max) = 0;
    virtual size_t songCount() = 0;

    // A new ID whose first 8 characters no ID handed out before has; "" when
    // it cannot be stored.
    virtual std::string issueId(IdKind kind) = 0;
    // The access ID starting with these 8 characters.
    virtual std::optional<std::string> accessIdByPrefix(const std::string &prefix) = 0;
    // The library ID of the song whose ID starts with these 8 characters.
    virtual std::optional<std::string> songIdByPrefix(const std::string &prefix) = 0;

    // Hides the song with this home page and stored media location, or with
    // all, every song of that home page; NotFound when no song has both.
    virtual Outcome hide(const std::string &home, const std::string &media, bool all) = 0;
    // key: a library ID, or the location of a web entry.
    virtual Outcome markMissing(const std::string &key) = 0;
    virtual Outcome addPlay(const std::string &songId, int32_t week) = 0;
    // Replaces every song of the owner with these, and gives the owner their
    // song IDs, at once. A song sent again keeps its plays, its time among
    // the newest and its hidden and missing marks. Refused, with the song ID
    // in refusedId, when one was never issued or belongs to someone else.
    virtual Outcome replaceSongsOf(const std::string &owner, std::vector<Song> songs, std::string &refusedId) = 0;
};

// What a song sent again keeps of its earlier self.
void keepEarlierState(std::vector<Song> &songs, const std::vector<Song> &earlier);

} // namespace kalvuno::server
