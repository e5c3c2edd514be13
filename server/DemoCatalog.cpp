#include "DemoCatalog.h"

#include "DemoMedia.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <filesystem>
#include <random>
#include <unordered_set>

namespace kalvuno::server {

namespace {

struct Entry
{
    const char *title;
    const char *artist;
    const char *genre;
};

const Entry kEntries[] = {
    {"夜明けの歌", "山田花子", "ポップス"},         {"Blue Train", "The Night Owls", "Jazz"},
    {"さくら通り", "桜井カルテット", "フォーク"},   {"海へ", "みなと", "アンビエント"},
    {"Morning Coffee", "Emi Sato", "Bossa nova"},  {"雨の日のワルツ", "山田花子", "クラシック"},
    {"Neon City", "Tokyo Drive", "Techno"},         {"ふるさとの風", "北野太郎", "民謡"},
    {"Sunday Samba", "Rio Kawai", "Samba"},         {"星空メモリー", "ほしぞら楽団", "ポップス"},
    {"Route 246", "The Night Owls", "Rock"},        {"木漏れ日", "森のこびと", "アンビエント"},
    {"Lemon Drop", "Emi Sato", "Pop"},              {"月光の小径", "北野太郎", "クラシック"},
    {"Dance Dance", "Tokyo Drive", "Dance"},        {"春の訪れ", "桜井カルテット", "フォーク"},
    {"Harbor Lights", "みなと", "World"},           {"ねこの散歩", "森のこびと", "童謡"},
    {"Midnight Blues", "Blue Note Trio", "Blues"},  {"朝焼けマーチ", "ほしぞら楽団", "吹奏楽"},
    {"Paper Plane", "Rio Kawai", "Pop"},            {"雪の降る街", "山田花子", "バラード"},
    {"Groove Machine", "Tokyo Drive", "Club"},      {"川のほとり", "北野太郎", "フォーク"},
    {"Island Breeze", "みなと", "Reggae"},          {"夏祭り", "桜井カルテット", "民謡"},
    {"Starlight", "Blue Note Trio", "Jazz"},        {"時計台", "ほしぞら楽団", "クラシック"},
    {"Hello Again", "Emi Sato", "Pop"},             {"風の通り道", "森のこびと", "アンビエント"},
    {"Metro Line", "The Night Owls", "Rock"},       {"花火", "山田花子", "ポップス"},
    {"Sky High", "Rio Kawai", "Dance"},             {"秋桜", "桜井カルテット", "フォーク"},
    {"Deep Sea", "みなと", "Ambient"},              {"Orange Sunset", "Blue Note Trio", "Fusion"},
    {"子守歌", "北野太郎", "童謡"},                 {"Rainy Monday", "The Night Owls", "Blues"},
    {"虹のむこう", "ほしぞら楽団", "ポップス"},     {"Twilight Express", "Tokyo Drive", "Techno"},
    {"遠い日の約束", "森のこびと", "バラード"},     {"Coffee Break", "Emi Sato", "Bossa nova"},
    {"Web Radio Hit", "Net Singer", "Pop"},         {"ネットの歌姫", "うたひめ", "ポップス"},
    {"Stream Jam", "Online Band", "Rock"},          {"電脳ワルツ", "うたひめ", "クラシック"},
};

enum class Make { Mp3, Wav, Mid, Mpg, Avi };

struct Plan
{
    Make make;
    bool web;
};

// Every kind in turn, mp3 the most often; the last four are mp3 web entries.
Plan planFor(size_t i)
{
    static const Make cycle[] = {Make::Mp3, Make::Wav, Make::Mid, Make::Mp3, Make::Mpg, Make::Avi, Make::Mp3};
    const size_t count = std::size(kEntries);
    if (i >= count - 4)
        return {Make::Mp3, true};
    return {cycle[i % std::size(cycle)], false};
}

const char *extensionOf(Make m)
{
    switch (m) {
    case Make::Mp3:
        return ".mp3";
    case Make::Wav:
        return ".wav";
    case Make::Mid:
        return ".mid";
    case Make::Mpg:
        return ".mpg";
    case Make::Avi:
        return ".avi";
    }
    return ".mp3";
}

// Makes the media file of entry i; returns its file name, or "" when it could not.
std::string makeMedia(size_t i, const std::string &mediaDir)
{
    const Plan plan = planFor(i);
    const int lengthMs = 6000 + int(i % 4) * 1000;
    const Tune tune = makeTune(uint32_t(i * 7919 + 17), lengthMs);
    char base[32];
    std::snprintf(base, sizeof base, "demo-%02zu", i + 1);
    const std::string file = std::string(base) + extensionOf(plan.make);
    const std::string path = mediaDir + "/" + file;
    const std::string wav = mediaDir + "/" + base + (plan.make == Make::Wav ? ".wav" : ".tmp.wav");
    bool made = writeWav(wav, tune);
    switch (plan.make) {
    case Make::Wav:
        break;
    case Make::Mid:
        made = writeMidi(path, tune);
        break;
    case Make::Mp3:
        made = made && writeMp3(path, wav);
        break;
    case Make::Mpg:
        made = made && writeMpeg(path, wav, int(i), tune.totalMs());
        break;
    case Make::Avi:
        made = made && writeAvi(path, wav, int(i % 20), tune.totalMs());
        break;
    }
    std::error_code ec;
    if (plan.make != Make::Wav)
        std::filesystem::remove(wav, ec);
    return made ? file : std::string();
}

} // namespace

bool createDemoCatalog(SongWriter &store, const std::string &mediaDir, int32_t today, std::string &error,
                       const DemoProgress &progress)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(mediaDir, ec);
    if (ec) {
        error = "cannot create " + mediaDir + ": " + ec.message();
        return false;
    }
    std::mt19937_64 rng(std::random_device{}());
    std::unordered_set<std::string> prefixes;
    const int64_t now
        = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const int32_t week = weekOfDay(today);
    // The media first, a few at a time: the video encoders take a while.
    const size_t count = std::size(kEntries);
    std::vector<std::string> files(count);
    std::vector<char> made(count, 0);
    std::atomic<size_t> next{0};
    std::mutex progressLock;
    size_t done = 0;
    const auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) {
            files[i] = makeMedia(i, mediaDir);
            made[i] = !files[i].empty();
            if (progress) {
                const std::lock_guard<std::mutex> lock(progressLock);
                progress(++done, count);
            }
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < std::max(2u, std::thread::hardware_concurrency()); ++t)
        workers.emplace_back(worker);
    for (std::thread &t : workers)
        t.join();

    std::vector<Song> songs;
    for (size_t i = 0; i < count; ++i) {
        if (!made[i]) {
            error = "cannot make the demo media in " + mediaDir + " (are the GStreamer tools and plugins installed?)";
            return false;
        }
        const std::string &file = files[i];
        Song s;
        s.title = kEntries[i].title;
        s.artist = kEntries[i].artist;
        s.genre = kEntries[i].genre;
        s.media = "/kalvuno/media/" + file;
        s.kind = kindOfLocation(file);
        s.web = planFor(i).web;
        s.home = s.web ? "http://example.jp/~uta/" : "http://example.jp/artists/" + std::to_string(i % 9 + 1) + "/";
        if (!s.web) {
            do {
                s.id.clear();
                uint64_t bits = rng();
                for (int d = 0; d < 16; ++d, bits >>= 4)
                    s.id += "0123456789abcdef"[bits & 15];
            } while (!prefixes.insert(s.id.substr(0, 8)).second);
        }
        s.added = now - int64_t(count - i) * 86400 / 2;
        // Plays over the last six weeks, more for some songs than others.
        for (int w = 0; w < 6; ++w) {
            const int64_t plays = int64_t(rng() % (3 + (i * 5 + size_t(w)) % 11));
            if (plays > 0) {
                s.weeklyPlays[week - w] = plays;
                s.plays += plays;
            }
        }
        songs.push_back(std::move(s));
    }
    if (!store.insertSongs(songs)) {
        error = "cannot store the demo catalog";
        return false;
    }
    return true;
}

} // namespace kalvuno::server
