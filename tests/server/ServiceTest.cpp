#include "Cp932.h"
#include "IniFile.h"
#include "MaintenanceAccess.h"
#include "RequestToken.h"
#include "ServiceFixture.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

class Service : public ::testing::TestWithParam<StoreKind>
{
};

const std::string kSearch = "/kalvuno/center2.fws/search?";

// The sections of an answer, as the client reads them.
std::unique_ptr<IniFile> parse(const std::string &answer)
{
    auto ini = std::make_unique<IniFile>(QString());
    ini->loadBytes(QByteArray::fromStdString(answer));
    return ini;
}

QStringList keysOf(const std::string &answer) { return parse(answer)->sectionNames(); }

std::vector<Song> catalog()
{
    std::vector<Song> songs;
    songs.push_back(makeSong("a000000100000000", "Alpha", "ABC Band", Kind::Mp3, 100));
    songs.push_back(makeSong("a000000200000000", "夜明けの歌", "山田花子", Kind::Mp3, 300));
    songs.push_back(makeSong("a000000300000000", "Gamma", "abc band", Kind::Mp3, 200));
    songs.push_back(makeSong("a000000400000000", "Wave", "ABC Band", Kind::Wav, 400));
    Song hidden = makeSong("a000000500000000", "Hidden", "ABC Band", Kind::Mp3, 500);
    hidden.hidden = true;
    Song missing = makeSong("a000000600000000", "Missing", "ABC Band", Kind::Mp3, 600);
    missing.missing = true;
    Song secret = makeSong("a000000700000000", "Secret", "ABC Band", Kind::Mp3, 700);
    secret.isPublic = false;
    Song web = makeSong("", "Web Song", "Net Singer", Kind::Mp3, 800);
    web.web = true;
    web.media = "http://songs.example.jp/a.mp3?x=1&y=2";
    web.home = "http://songs.example.jp/";
    songs.insert(songs.end(), {hidden, missing, secret, web});
    // Plays this week: Gamma 5, Alpha 3, 夜明け 1; last week Alpha 9.
    const int32_t week = weekOfDay(kToday);
    songs[2].weeklyPlays[week] = 5;
    songs[0].weeklyPlays[week] = 3;
    songs[1].weeklyPlays[week] = 1;
    songs[0].weeklyPlays[week - 1] = 9;
    for (Song &s : songs)
        for (const auto &[w, plays] : s.weeklyPlays)
            s.plays += plays;
    return songs;
}

TEST_P(Service, SearchOrdersAndFilters)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    struct Case
    {
        std::string query;
        QStringList keys; // in this order; empty strings mean "any order" below
        bool anyOrder;
    };
    const Case cases[] = {
        {"Max=10&Sort=New&Open=1", {"a000000200000000", "a000000300000000", "a000000100000000"}, false},
        {"Max=2&Sort=New&Open=1", {"a000000200000000", "a000000300000000"}, false},
        {"Max=10&Sort=Rank0&Open=1", {"a000000300000000", "a000000100000000", "a000000200000000"}, false},
        {"Max=10&Sort=Rank1&Open=1", {"a000000100000000"}, false},
        {"Max=10&Sort=New&Artist=abc%20BAND&Open=1", {"a000000300000000", "a000000100000000"}, false},
        {"Max=10&Sort=Random&Artist=abc&Open=1", {"a000000100000000", "a000000300000000"}, true},
        {"Max=10&Sort=Random&Open=1", {"a000000100000000", "a000000200000000", "a000000300000000"}, true},
        {"Max=10&Sort=New&Artist=%8eR%93c&Open=3", {"a000000200000000"}, false}, // 山田 in CP932
        {"Max=10&Sort=New&Open=1&Ext=wav", {"a000000400000000"}, false},
        {"Max=10&Sort=New&Open=2", {"http://songs.example.jp/a.mp3?x=1&y=2"}, false},
        {"Max=10&Sort=New&Open=3&Title=web", {"http://songs.example.jp/a.mp3?x=1&y=2"}, false},
        {"Max=0&Sort=New&Open=3", {}, false},
        {"Max=10&Sort=New&Artist=x'%20OR%20'1'='1&Open=1", {}, false},
        {"Max=10&Sort=Rank0&Open=2", {}, false},
    };
    for (const Case &c : cases) {
        int status = 0;
        const std::string answer = service.get(kSearch + c.query, &status);
        EXPECT_EQ(status, 200) << c.query;
        QStringList keys = keysOf(answer);
        QStringList expected = c.keys;
        if (c.anyOrder) {
            keys.sort();
            expected.sort();
        }
        EXPECT_EQ(keys, expected) << c.query;
    }
}

TEST_P(Service, RawShiftJisAndBothScriptPaths)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    // Raw CP932 bytes in the request line, as a client that escapes nothing sends them.
    const std::string raw = "/test/center2.fws/search?Max=5&Sort=New&Title=" + toCp932("夜明け") + "&Open=1";
    EXPECT_EQ(keysOf(service.get(raw)), QStringList{"a000000200000000"});
}

TEST_P(Service, AnswerIsCp932EntriesWithEveryKey)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const std::string answer = service.get(kSearch + "Max=1&Sort=New&Artist=%8eR%93c&Open=1");
    const auto ini = parse(answer);
    EXPECT_EQ(ini->encoding(), TextEncoding::Cp932);
    EXPECT_EQ(ini->readString(u"a000000200000000", u"Title"), u"夜明けの歌");
    EXPECT_EQ(ini->readString(u"a000000200000000", u"MP3"),
              QString::fromStdString("http://" + service.host() + "/kalvuno/media/a000000200000000.mp3"));
    EXPECT_EQ(ini->readString(u"a000000200000000", u"MP3Count"), u"1");
    // Third this week, nothing in the four weeks before.
    EXPECT_EQ(ini->readString(u"a000000200000000", u"Rank"), u"0300000000");
    EXPECT_EQ(ini->readString(u"a000000200000000", u"Home"), u"http://example.jp/山田花子/");
}

TEST_P(Service, BigAnswersDropWholeEntriesToStayUnder64KiB)
{
    std::vector<Song> songs;
    for (int i = 0; i < 150; ++i) {
        Song s = makeSong(QStringLiteral("%1").arg(i, 16, 16, QChar('0')).toStdString(),
                          std::string(120, 'T') + "🎵" + std::to_string(i), std::string(200, 'A'), Kind::Mp3, i);
        s.home = "http://example.jp/" + std::string(300, 'h');
        songs.push_back(s);
    }
    ServiceFixture service(songs, GetParam());
    REQUIRE_STORE(service.store);
    const std::string answer = service.get(kSearch + "Max=100&Sort=New&Open=1");
    EXPECT_LT(answer.size(), 65536u);
    EXPECT_GT(answer.size(), 60000u);
    const auto ini = parse(answer);
    ASSERT_GT(ini->sectionNames().size(), 10);
    for (const QString &key : ini->sectionNames())
        EXPECT_EQ(ini->readString(key, u"Rank").size(), 10) << "a cut entry";
    // A character CP932 cannot hold comes as "?".
    EXPECT_TRUE(ini->readString(ini->sectionNames().first(), u"Title").endsWith(u"?149"));
    EXPECT_TRUE(encodeCp932(decodeCp932(QByteArray::fromStdString(answer))).has_value());
}

TEST_P(Service, IdsHaveUniquePrefixes)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    std::set<std::string> prefixes;
    for (const Song &s : catalog())
        if (!s.id.empty())
            prefixes.insert(s.id.substr(0, 8));
    for (const char *command : {"aid", "sid", "aid", "sid", "sid"}) {
        const std::string id = service.get(std::string("/kalvuno/center2.fws/") + command);
        ASSERT_EQ(id.size(), 18u) << id;
        EXPECT_EQ(id.substr(16), "\r\n");
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), 16u);
        EXPECT_TRUE(prefixes.insert(id.substr(0, 8)).second) << id;
    }
}

TEST_P(Service, HideAndNoFile)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const auto visible = [&] {
        QStringList keys = keysOf(service.get(kSearch + "Max=20&Sort=New&Open=3"));
        keys.sort();
        return keys;
    };
    int status = 0;
    // The web entry's URL holds "&" itself; the service finds the right split.
    service.get("/kalvuno/center2.fws/hide?http://songs.example.jp/&http://songs.example.jp/a.mp3%3Fx=1&y=2", &status);
    EXPECT_EQ(status, 200);
    EXPECT_FALSE(visible().contains("http://songs.example.jp/a.mp3?x=1&y=2"));

    // Our own media are matched whatever host the client saw them under.
    service.get("/kalvuno/center2.fws/hide?http://example.jp/ABC Band/&http://elsewhere:1/kalvuno/media/a000000100000000.mp3",
                &status);
    EXPECT_EQ(status, 400) << "a blank is not allowed in a request line";
    service.get("/kalvuno/center2.fws/hide?http://example.jp/ABC%20Band/&http://elsewhere:1/kalvuno/media/"
                "a000000100000000.mp3",
                &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(visible(), (QStringList{"a000000200000000", "a000000300000000"}));

    service.get("/kalvuno/center2.fws/hide?http://example.jp/abc%20band/&/kalvuno/media/a000000300000000.mp3&All",
                &status);
    EXPECT_EQ(status, 200);
    service.get("/kalvuno/center2.fws/nofile?a000000200000000", &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(visible(), QStringList{});
    service.get("/kalvuno/center2.fws/nofileall?nosuchkey", &status);
    EXPECT_EQ(status, 404);
    // Hide without All left Wave, another song of Alpha's home page, alone.
    EXPECT_EQ(keysOf(service.get(kSearch + "Max=5&Sort=New&Open=1&Ext=wav")), QStringList{"a000000400000000"});
}

TEST_P(Service, PlayCountsNeedAValidToken)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const std::string id = "a000000200000000";
    const std::string data = "k3J9xQ2mP0aB7cD1eF";
    const auto count = [&] { return parse(service.get(kSearch + "Max=1&Sort=New&Title=%96%e9&Open=1"))->readString(QString::fromStdString(id), u"MP3Count"); };
    EXPECT_EQ(count(), u"1");
    EXPECT_EQ(service.post("/kalvuno/center2.fws/mp3count", makeRequestToken(id, data, kToday) + "\r" + data), 200);
    EXPECT_EQ(service.post("/test/center2.fws/mp3count", makeRequestToken(id, data, kToday - 1) + "\r" + data), 200);
    EXPECT_EQ(count(), u"3");
    // Forged, too old, unknown or malformed: nothing changes.
    std::string forged = makeRequestToken(id, data, kToday);
    forged[15] = forged[15] == 'A' ? 'B' : 'A';
    EXPECT_EQ(service.post("/kalvuno/center2.fws/mp3count", forged + "\r" + data), 403);
    EXPECT_EQ(service.post("/kalvuno/center2.fws/mp3count", makeRequestToken(id, data, kToday - 2) + "\r" + data), 403);
    EXPECT_EQ(service.post("/kalvuno/center2.fws/mp3count", makeRequestToken("ffffffff00000000", data, kToday) + "\r" + data), 404);
    EXPECT_EQ(service.post("/kalvuno/center2.fws/mp3count", std::string("\0\xff\x01", 3)), 400);
    EXPECT_EQ(count(), u"3");
}

std::string sendBody(const std::string &accessId, const std::string &file, int32_t day, int lengthFix = 0)
{
    char length[9];
    std::snprintf(length, sizeof length, "%08X", unsigned(file.size() + size_t(lengthFix)));
    return makeRequestToken(accessId, file, day) + "\r\n" + length + "\r\n" + file;
}

TEST_P(Service, UploadReplacesTheSongsOfItsAccessId)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const auto id = [&](const char *command) {
        return service.get(std::string("/kalvuno/center2.fws/") + command).substr(0, 16);
    };
    const std::string access = id("aid");
    const std::string first = id("sid");
    const std::string second = id("sid");
    const std::string file = toCp932("[" + first + "]\r\nArtist=ミナ\r\nGenre=Pop\r\nHome=http://mina.example.jp/\r\n"
                                     "MP3=http://mina.example.jp/song.wav\r\nTitle=私の歌\r\nOpen=1\r\n[" + second
                                     + "]\r\nTitle=Private\r\nMP3=http://mina.example.jp/p.wav\r\nOpen=0\r\n");
    const std::string path = "/kalvuno/center2.fws/send";
    const std::string wavSearch = kSearch + "Max=10&Sort=New&Open=1&Ext=wav";

    // Wrong length, forged token, unknown access ID: nothing changes.
    EXPECT_EQ(service.post(path, sendBody(access, file, kToday, 1)), 400);
    std::string forged = sendBody(access, file, kToday);
    forged[10] = forged[10] == 'x' ? 'y' : 'x';
    EXPECT_EQ(service.post(path, forged), 403);
    EXPECT_EQ(service.post(path, sendBody("eeeeeeee00000000", file, kToday)), 404);
    EXPECT_EQ(keysOf(service.get(wavSearch)), QStringList{"a000000400000000"});

    // Made yesterday by the client's clock: accepted.
    EXPECT_EQ(service.post(path, sendBody(access, file, kToday - 1)), 200);
    const auto answer = parse(service.get(wavSearch));
    EXPECT_EQ(answer->sectionNames(), (QStringList{QString::fromStdString(first), "a000000400000000"}));
    EXPECT_EQ(answer->readString(QString::fromStdString(first), u"Title"), u"私の歌");

    // Another user cannot take these song IDs; a song ID never issued is refused.
    const std::string other = id("aid");
    EXPECT_EQ(service.post(path, sendBody(other, "[" + first + "]\r\nTitle=Mine\r\n", kToday)), 403);
    EXPECT_EQ(service.post(path, sendBody(access, "[0123456789abcdef]\r\nTitle=X\r\n", kToday)), 403);

    // A second upload, in UTF-8 with a BOM, replaces the first list.
    const std::string again = "\xEF\xBB\xBF[" + second + "]\r\nTitle=公開〜\r\nMP3=http://mina.example.jp/p.wav\r\n";
    EXPECT_EQ(service.post(path, sendBody(access, again, kToday)), 200);
    const auto replaced = parse(service.get(wavSearch));
    EXPECT_EQ(replaced->sectionNames(), (QStringList{QString::fromStdString(second), "a000000400000000"}));
    EXPECT_EQ(replaced->readString(QString::fromStdString(second), u"Title"), u"公開?");
}

TEST_P(Service, BadInputIsRefusedAndChangesNothing)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const std::string before = service.get(kSearch + "Max=20&Sort=New&Open=3");
    const std::pair<std::string, int> gets[] = {
        {kSearch + "Max=abc", 400},
        {kSearch + "Max=-1", 400},
        {kSearch + "Sort=Rank9", 400},
        {kSearch + "Sort=Sideways", 400},
        {kSearch + "Open=4", 400},
        {kSearch + "Ext=exe", 400},
        {"/kalvuno/center2.fws/format", 404},
        {"/kalvuno/center2.fws/hide?nothing", 404},
        {"/kalvuno/media/../catalog.db", 404},
        {"/kalvuno/media/%2e%2e/catalog.db", 404},
        {"/etc/passwd", 404},
    };
    for (const auto &[path, expected] : gets) {
        int status = 0;
        service.get(path, &status);
        EXPECT_EQ(status, expected) << path;
    }
    EXPECT_EQ(service.post("/kalvuno/center2.fws/send", std::string(2 << 20, 'x')), 413);
    EXPECT_EQ(service.post("/kalvuno/center2.fws/send", std::string(300, '\0')), 400);
    EXPECT_EQ(service.post("/kalvuno/center2.fws/unknown", "x"), 404);
    EXPECT_EQ(service.get(kSearch + "Max=20&Sort=New&Open=3"), before);
}

TEST_P(Service, ChangesSurviveARestart)
{
    StoreUnderTest store(GetParam());
    REQUIRE_STORE(store);
    ASSERT_TRUE(store.insertSongs(catalog()));
    {
        auto library = store.open([] { return kToday; });
        LibraryService service(*library, [] { return kToday; });
        const std::string data = "abc";
        EXPECT_EQ(service.playCount(makeRequestToken("a000000100000000", data, kToday) + "\r" + data).status, 200);
        EXPECT_EQ(service.noFile("a000000200000000").status, 200);
    }
    auto library = store.open([] { return kToday; });
    LibraryService service(*library, [] { return kToday; });
    const auto ini = parse(service.search("Max=10&Sort=New&Open=1", "h").body);
    EXPECT_EQ(ini->sectionNames(), (QStringList{"a000000300000000", "a000000100000000"}));
    EXPECT_EQ(ini->readString(u"a000000100000000", u"MP3Count"), u"13");
}

TEST_P(Service, MaintenanceCommandsOnlyFromTrustedAddresses)
{
    const std::string hide
        = "/kalvuno/center2.fws/hide?http://example.jp/ABC%20Band/&/kalvuno/media/a000000100000000.mp3";
    const std::string noFile = "/kalvuno/center2.fws/nofile?a000000200000000";
    const std::string noFileAll = "/kalvuno/center2.fws/nofileall?a000000300000000";
    const std::string all = kSearch + "Max=20&Sort=New&Open=3";
    struct Case
    {
        const char *name;
        std::string maintainers, proxies;
        httplib::Headers headers;
        int expected;
    };
    const Case cases[] = {
        {"no --maintenance-from: nobody", "", "", {}, 403},
        {"another address only", "10.1.2.3", "", {}, 403},
        {"this address among others", "10.1.2.3, ::ffff:127.0.0.1", "", {}, 200},
        {"a forwarded address from an untrusted peer is ignored", "10.1.2.3", "", {{"X-Forwarded-For", "10.1.2.3"}},
         403},
        {"a trusted proxy's forwarded client is believed", "10.1.2.3", "127.0.0.1", {{"X-Forwarded-For", "10.1.2.3"}},
         200},
        {"behind a trusted proxy the proxy itself is no maintainer", "127.0.0.1", "127.0.0.1",
         {{"X-Forwarded-For", "10.9.9.9"}}, 403},
        {"the client may not forge earlier hops", "10.1.2.3", "127.0.0.1", {{"X-Forwarded-For", "10.1.2.3, 10.9.9.9"}},
         403},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ServiceFixture service(catalog(), GetParam(), c.maintainers, c.proxies);
        REQUIRE_STORE(service.store);
        const std::string before = service.get(all);
        for (const std::string &command : {hide, noFile, noFileAll}) {
            int status = 0;
            service.get(command, &status, c.headers);
            EXPECT_EQ(status, c.expected) << command;
        }
        if (c.expected == 403)
            EXPECT_EQ(service.get(all), before);
        else
            EXPECT_EQ(keysOf(service.get(all)), QStringList{"http://songs.example.jp/a.mp3?x=1&y=2"});
    }
}

TEST(MaintenanceAccess, ClientAddressAndOptionValues)
{
    MaintenanceAccess access;
    EXPECT_TRUE(access.addTrustedProxies("10.0.0.1,10.0.0.2"));
    EXPECT_FALSE(access.addMaintainers("127.0.0.1,localhost")) << "names are not resolved";
    EXPECT_FALSE(access.addMaintainers(""));
    EXPECT_TRUE(access.addMaintainers(" 192.0.2.7 , 2001:db8::1"));
    struct Case
    {
        std::string peer, forwarded, client;
        bool allowed;
    };
    const Case cases[] = {
        {"192.0.2.7", "", "192.0.2.7", true},
        {"::ffff:192.0.2.7", "", "192.0.2.7", true},
        {"2001:0db8:0:0::1", "", "2001:db8::1", true},
        {"192.0.2.8", "192.0.2.7", "192.0.2.8", false},
        {"10.0.0.1", "192.0.2.7", "192.0.2.7", true},
        {"10.0.0.1", "192.0.2.7, 10.0.0.2", "192.0.2.7", true}, // through both of our proxies
        {"10.0.0.1", "192.0.2.7, 198.51.100.1", "198.51.100.1", false},
        {"10.0.0.1", "not an address", "", false},
        {"10.0.0.1", "", "10.0.0.1", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(access.clientAddress(c.peer, c.forwarded), c.client) << c.peer << " / " << c.forwarded;
        EXPECT_EQ(access.allows(c.peer, c.forwarded), c.allowed) << c.peer << " / " << c.forwarded;
    }
}

TEST_P(Service, HideSplitsAtTheRawAmpersand)
{
    std::vector<Song> songs = catalog();
    Song tricky = makeSong("", "Tricky", "R&B Duo", Kind::Mp3, 900);
    tricky.web = true;
    tricky.home = "http://h.example.jp/R&B 100%/";
    tricky.media = "http://h.example.jp/a&All";
    Song sibling = tricky;
    sibling.title = "Sibling";
    sibling.media = "http://h.example.jp/b.mp3";
    songs.push_back(tricky);
    songs.push_back(sibling);
    ServiceFixture service(songs, GetParam());
    REQUIRE_STORE(service.store);
    int status = 0;
    // "&" inside a value comes encoded: the media location ends in "&All"
    // without meaning the All form, which would hide the sibling too.
    service.get("/kalvuno/center2.fws/hide?http://h.example.jp/R%26B%20100%25/&http://h.example.jp/a%26All", &status);
    EXPECT_EQ(status, 200);
    const QStringList keys = keysOf(service.get(kSearch + "Max=20&Sort=New&Open=2"));
    EXPECT_FALSE(keys.contains("http://h.example.jp/a&All"));
    EXPECT_TRUE(keys.contains("http://h.example.jp/b.mp3"));
}

TEST_P(Service, UploadedControlCharactersAreRefused)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const std::string access = service.get("/kalvuno/center2.fws/aid").substr(0, 16);
    const std::string song = service.get("/kalvuno/center2.fws/sid").substr(0, 16);
    const std::string path = "/kalvuno/center2.fws/send";
    const std::string wavSearch = kSearch + "Max=10&Sort=New&Open=1&Ext=wav";
    const std::string before = service.get(wavSearch);
    const auto list = [&](const std::string &title) {
        return "[" + song + "]\r\nTitle=" + title + "\r\nMP3=http://mina.example.jp/c.wav\r\n";
    };
    for (const std::string &title : {std::string("Cut\0Here", 8), std::string("Bell\x07"), std::string("Del\x7F"),
                                     std::string("Esc\x1B[31m"), std::string("Lone\rCR\x0B")}) {
        EXPECT_EQ(service.post(path, sendBody(access, list(title), kToday)), 400) << title;
        EXPECT_EQ(service.get(wavSearch), before);
    }
    EXPECT_EQ(service.post(path, sendBody(access, list("Tab\there"), kToday)), 200);
    EXPECT_EQ(parse(service.get(wavSearch))->readString(QString::fromStdString(song), u"Title"), u"Tab\there");
}

TEST_P(Service, OverlongSearchedTextsAreRefused)
{
    ServiceFixture service(catalog(), GetParam());
    REQUIRE_STORE(service.store);
    const std::string access = service.get("/kalvuno/center2.fws/aid").substr(0, 16);
    const std::string song = service.get("/kalvuno/center2.fws/sid").substr(0, 16);
    const std::string path = "/kalvuno/center2.fws/send";
    const auto repeat = [](const std::string &text, int times) {
        std::string out;
        for (int i = 0; i < times; ++i)
            out += text;
        return out;
    };
    // In CP932: 山 is 8E 52, 田 is 93 63.
    const std::string longest = repeat("\x8E\x52", 1023) + "\x93\x63";
    struct Case
    {
        std::string key, value;
        int status;
    };
    const Case cases[] = {
        {"Title", longest + "x", 400}, {"Artist", longest + "x", 400}, {"Genre", longest + "x", 400},
        {"Title", longest, 200},       {"Artist", longest, 200},       {"Genre", longest, 200},
    };
    for (const Case &c : cases) {
        const std::string list = "[" + song + "]\r\n" + c.key + "=" + c.value + "\r\nMP3=http://mina.example.jp/c.wav\r\n";
        const std::string before = service.get(kSearch + "Max=10&Sort=New&Open=1&Ext=wav");
        EXPECT_EQ(service.post(path, sendBody(access, list, kToday)), c.status) << c.key << " " << c.value.size();
        if (c.status == 400) {
            EXPECT_EQ(service.get(kSearch + "Max=10&Sort=New&Open=1&Ext=wav"), before) << c.key;
            continue;
        }
        // Stored whole: found by its last character.
        const std::string found = service.get(kSearch + "Max=10&Sort=New&Open=1&Ext=wav&" + c.key + "=%93c");
        EXPECT_TRUE(keysOf(found).contains(QString::fromStdString(song))) << c.key;
    }
}

TEST_P(Service, AnEntryTooBigForAnAnswerIsSkipped)
{
    std::vector<Song> songs = catalog();
    // Its bulk in the home page, which no search index reads.
    Song huge = makeSong("b000000100000000", "Huge", "ABC Band", Kind::Mp3, 250);
    huge.home = "http://example.jp/" + std::string(70000, 'h');
    songs.push_back(huge);
    ServiceFixture service(songs, GetParam());
    REQUIRE_STORE(service.store);
    // Newest first: 夜明けの歌 (300), the huge one (250), Gamma (200), Alpha (100).
    EXPECT_EQ(keysOf(service.get(kSearch + "Max=10&Sort=New&Open=1")),
              (QStringList{"a000000200000000", "a000000300000000", "a000000100000000"}));
}

INSTANTIATE_TEST_SUITE_P(Stores, Service, ::testing::Values(StoreKind::Sqlite, StoreKind::Postgres), storeName);

} // namespace
