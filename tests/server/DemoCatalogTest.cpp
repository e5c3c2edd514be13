#include "Catalog.h"
#include "CatalogStore.h"
#include "DemoCatalog.h"
#include "RequestToken.h"
#include "TempDir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace kalvuno;
using namespace kalvuno::server;

// The demo catalog is made of real media files of every kind.
TEST(DemoCatalog, RealMediaOfEveryKind)
{
    TempDir tmp;
    CatalogStore store;
    ASSERT_TRUE(store.open(tmp.path("c.db").toStdString()));
    std::string error;
    const std::string media = tmp.path("media").toStdString();
    ASSERT_TRUE(createDemoCatalog(store, media, todayDayNumber(), error)) << error;
    const std::vector<Song> songs = store.loadSongs();
    EXPECT_GE(songs.size(), 40u);

    const std::map<std::string, QByteArray> magic = {
        {".wav", "RIFF"}, {".mid", "MThd"}, {".mpg", QByteArray("\0\0\1\xBA", 4)}, {".avi", "RIFF"}};
    std::map<std::string, int> perExtension;
    bool japanese = false;
    bool web = false;
    int64_t plays = 0;
    for (const Song &s : songs) {
        const std::string ext = s.media.substr(s.media.rfind('.'));
        ++perExtension[ext];
        const QByteArray bytes = readBytes(QString::fromStdString(media + s.media.substr(s.media.rfind('/'))));
        ASSERT_GT(bytes.size(), 100) << s.media;
        if (magic.count(ext))
            EXPECT_TRUE(bytes.startsWith(magic.at(ext))) << s.media;
        else
            EXPECT_TRUE(bytes.startsWith("ID3") || (uchar(bytes[0]) == 0xFF && (uchar(bytes[1]) & 0xE0) == 0xE0)) << s.media;
        japanese = japanese || QString::fromStdString(s.title).contains(QChar(u'歌'));
        web = web || s.web;
        plays += s.plays;
        EXPECT_EQ(s.id.empty(), s.web);
    }
    for (const char *ext : {".mp3", ".wav", ".mid", ".mpg", ".avi"})
        EXPECT_GE(perExtension[ext], 2) << ext;
    EXPECT_TRUE(japanese);
    EXPECT_TRUE(web);
    EXPECT_GT(plays, 0);
}
