#pragma once

// A catalog made for searching, and what a search of it must find, worked
// out by a plain scan: the stores' indexes are checked against it.
#include "Catalog.h"
#include "CatalogStore.h"
#include "Cp932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kalvuno::server::oracle {

constexpr int32_t kWeek = 2000;

inline const char *const kSyllables[] = {"山", "田", "花", "子", "北", "野", "み", "な", "Ka", "ra", "SU", "to", "🎵", "ー"};

inline std::string syllables(std::mt19937_64 &rng, int count)
{
    std::string text;
    for (int k = 0; k < count; ++k)
        text += kSyllables[rng() % std::size(kSyllables)];
    return text;
}

// Few distinct texts and few distinct times, so that matches and ties abound.
inline std::vector<Song> randomCatalog(size_t count, int32_t week = kWeek)
{
    std::mt19937_64 rng(7);
    std::vector<Song> songs;
    for (size_t i = 0; i < count; ++i) {
        Song s;
        char id[17];
        std::snprintf(id, sizeof id, "%016zx", i + 1);
        s.web = rng() % 5 == 0;
        s.id = s.web ? "" : id;
        s.artist = syllables(rng, 1 + int(rng() % 3));
        s.title = syllables(rng, 1 + int(rng() % 4));
        s.genre = rng() % 2 ? "Pop" : "ポップス";
        s.media = std::string("http://m.example.jp/") + id + (rng() % 4 == 0 ? ".wav" : ".mp3");
        s.kind = kindOfLocation(s.media);
        s.isPublic = rng() % 10 != 0;
        s.hidden = rng() % 10 == 0;
        s.added = int64_t(rng() % 50);
        if (rng() % 2)
            s.weeklyPlays[week] = int64_t(1 + rng() % 9);
        songs.push_back(s);
    }
    return songs;
}

// What a search must answer, worked out the slow, obvious way.
inline std::vector<std::string> expected(const std::vector<Song> &songs, const SearchRequest &r, int32_t week = kWeek)
{
    std::vector<size_t> hits;
    const auto holds = [](const std::string &text, const std::string &query) {
        return query.empty() || foldAscii(text).find(query) != std::string::npos;
    };
    for (size_t i = 0; i < songs.size(); ++i) {
        const Song &s = songs[i];
        if (s.visible() && s.kind == r.kind && (s.web ? r.web : r.library) && holds(s.artist, r.artist)
            && holds(s.title, r.title) && holds(s.genre, r.genre)
            && (r.order != SearchRequest::Order::Rank || s.weeklyPlays.count(week)))
            hits.push_back(i);
    }
    const auto plays = [&](size_t i) { return songs[i].weeklyPlays.count(week) ? songs[i].weeklyPlays.at(week) : 0; };
    std::stable_sort(hits.begin(), hits.end(), [&](size_t a, size_t b) {
        if (r.order == SearchRequest::Order::Rank)
            return plays(a) != plays(b) ? plays(a) > plays(b) : songs[a].added > songs[b].added;
        return songs[a].added != songs[b].added ? songs[a].added > songs[b].added : songs[a].web < songs[b].web;
    });
    std::vector<std::string> keys;
    for (size_t i : hits)
        keys.push_back(storeKey(songs[i]));
    return keys;
}

// Every search of the table: each filter (one and two characters, longer
// ones, several fields, none that matches, a cut character) in each order,
// for library songs, web entries and both, with a small and a large max.
inline std::vector<SearchRequest> searches()
{
    struct Filter
    {
        std::string artist, title, genre;
    };
    const Filter filters[] = {
        {"山", "", ""},     {"山田", "", ""},   {"ka", "", ""},       {"kara", "", ""},      {"a", "", ""},
        {"", "み", ""},     {"", "なー", ""},   {"", "🎵山", ""},     {"", "sutoka", ""},    {"", "", "ポ"},
        {"", "", "op"},     {"子", "北", ""},   {"花", "", "pop"},    {"山田花子北", "", ""}, {"zz", "", ""},
        {"\xE5\xB1", "", ""}, // a cut character: no gram to look up, the scan answers
    };
    std::vector<SearchRequest> out;
    for (const Filter &f : filters)
        for (auto order : {SearchRequest::Order::New, SearchRequest::Order::Random, SearchRequest::Order::Rank})
            for (auto [library, web] : {std::pair{true, false}, {false, true}, {true, true}})
                for (int max : {3, 100}) {
                    SearchRequest r;
                    r.artist = f.artist;
                    r.title = f.title;
                    r.genre = f.genre;
                    r.order = order;
                    r.library = library;
                    r.web = web;
                    r.max = max;
                    out.push_back(r);
                }
    return out;
}

inline std::string describe(const SearchRequest &r)
{
    return r.artist + "/" + r.title + "/" + r.genre + " order " + std::to_string(int(r.order)) + " web "
        + std::to_string(r.web) + " library " + std::to_string(r.library) + " max " + std::to_string(r.max);
}

// got: the keys a search answered; all: every key it must find, in order.
inline void expectFound(const std::vector<std::string> &got, std::vector<std::string> all, const SearchRequest &r)
{
    if (r.order == SearchRequest::Order::Random) {
        // Any max of the matches, each once.
        EXPECT_EQ(got.size(), std::min(all.size(), size_t(r.max))) << describe(r);
        EXPECT_EQ(std::set<std::string>(got.begin(), got.end()).size(), got.size()) << describe(r);
        const std::set<std::string> matching(all.begin(), all.end());
        for (const std::string &key : got)
            EXPECT_TRUE(matching.count(key)) << describe(r) << " " << key;
        return;
    }
    all.resize(std::min(all.size(), size_t(r.max)));
    EXPECT_EQ(got, all) << describe(r);
}

} // namespace kalvuno::server::oracle
