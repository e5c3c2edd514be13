#pragma once

#include "AnswerEntry.h"
#include "GramIndex.h"
#include "Song.h"

#include <mutex>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace kalvuno::server {

struct SearchRequest
{
    enum class Order { Random, New, Rank };
    int max = 10;
    Order order = Order::Random;
    int weeksAgo = 0; // for Order::Rank
    std::string artist; // substrings, ASCII letters folded
    std::string title;
    std::string genre;
    bool library = true;
    bool web = false;
    Kind kind = Kind::Mp3;
};

inline constexpr int kRankWeeks = 8;     // weeks a rank order can look back

// The songs in memory, with the orders and lookups that searches need.
// Not thread-safe: the service guards it.
class Catalog
{
public:
    explicit Catalog(std::vector<Song> songs = {});

    size_t size() const { return m_songs.size() - m_goneCount; }
    const Song &song(uint32_t i) const { return m_songs[i]; }

    // The songs that answer a search, in the order to be played.
    // Needs fresh ranks (see ranksStale) for rank orders.
    std::vector<uint32_t> search(const SearchRequest &request, std::mt19937_64 &rng) const;
    // The answer in the song-entry format, CP932, whole entries only and
    // always under 64 KiB. hostPort completes the locations of our own media.
    std::string answer(const std::vector<uint32_t> &songs, const std::string &hostPort) const;

    // Ranks are worked out again when the week changed, or when plays came
    // in and the last refresh is older than the refresh period.
    bool ranksStale(int32_t currentWeek, int64_t now) const;
    void refreshRanks(int32_t currentWeek, int64_t now);

    // A library ID or, for web entries, the URL; -1 when unknown.
    int findByKey(const std::string &key, const std::string &hostPort) const;
    // The song whose library ID starts with these 8 characters; -1 when none.
    int findByIdPrefix(const std::string &prefix) const;
    // Songs with this home page and media location (as answered).
    std::vector<uint32_t> findByHomeAndMedia(const std::string &home, const std::string &media,
                                             const std::string &hostPort) const;
    std::vector<uint32_t> findByHome(const std::string &home) const;
    std::vector<uint32_t> songsOf(const std::string &owner) const;

    void addPlay(uint32_t i, int32_t week);
    void setHidden(uint32_t i);
    void setMissing(uint32_t i);
    // Replaces every song of the owner with the given ones.
    void replaceSongsOf(const std::string &owner, std::vector<Song> songs);

    // Rank orders are refreshed at most this often while plays come in.
    void setRankRefreshSeconds(int seconds) { m_rankRefreshSeconds = seconds; }

    // A location as this service stores it: our own media as their path.
    static std::string storedLocation(const std::string &location);

private:
    struct Derived
    {
        std::string artist; // folded
        std::string title;
        std::string genre;
        std::string head; // "Title=...\r\nArtist=...\r\nGenre=...\r\n" in CP932
        std::string home; // CP932
    };
    static Derived derive(const Song &song);
    // Drops the songs that went, then builds every order and lookup anew.
    void rebuild();
    // Songs come and go without moving the others: one that goes leaves its
    // slot behind, which every lookup skips, until slots left behind are
    // many and rebuild() drops them.
    void addToLookups(uint32_t i);
    void removeFromLookups(uint32_t i);
    // Newest first, among visible songs of the song's kind and web flag.
    void addToNewest(const std::vector<uint32_t> &songs);
    void removeFromNewest(uint32_t i);
    // The order of newest searches over library and web songs together.
    bool newerThan(uint32_t a, uint32_t b) const;
    // Whether a song's plays count in the ranks of the weeks kept.
    bool playedInRankWeeks(const Song &song) const;
    // The songs a filtered search needs to look at, newest first: those of the
    // rarest character gram of its fields; none when the index cannot serve it.
    std::optional<std::span<const uint32_t>> indexed(const SearchRequest &r) const;
    void searchByIndex(const SearchRequest &r, std::span<const uint32_t> songs, size_t max, std::mt19937_64 &rng,
                       std::vector<uint32_t> &found) const;
    bool matches(uint32_t i, const SearchRequest &r) const;
    bool eligible(uint32_t i, const SearchRequest &r) const;

    std::vector<Song> m_songs;
    std::vector<Derived> m_derived;
    std::vector<uint8_t> m_gone; // per slot: its song went
    size_t m_goneCount = 0;
    std::vector<uint32_t> m_newest[4][2]; // by kind and web, newest first, visible only
    std::unordered_map<std::string, uint32_t> m_byKey;    // id, or stored location of web entries
    std::unordered_map<std::string, uint32_t> m_byPrefix; // first 8 characters of the id
    std::unordered_multimap<std::string, uint32_t> m_byHomeMedia;
    std::unordered_multimap<std::string, uint32_t> m_byHome;
    GramIndex m_artistGrams; // postings newest first (by added, library before web)
    GramIndex m_titleGrams;
    GramIndex m_genreGrams;

    std::vector<uint32_t> m_rankOrder[kRankWeeks]; // songs with plays in that week, best first
    std::vector<uint8_t> m_rankOf[kRankWeeks];     // 1..255 per song, 0 for none
    std::vector<uint32_t> m_rankPlace[kRankWeeks]; // place in m_rankOrder + 1 per song, 0 for none
    int32_t m_rankWeek = -1;
    bool m_ranksDirty = true;
    int64_t m_ranksAt = 0;
    int m_rankRefreshSeconds = 1;
};

} // namespace kalvuno::server
