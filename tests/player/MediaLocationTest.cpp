#include "MediaLocation.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Kind = MediaLocation::Kind;

// A folder with one of every kind of thing a location can name.
struct Places
{
    Places()
    {
        const QByteArray d = QFile::encodeName(tmp.dir.path());
        writeBytes(tmp.path("a.mp3"), "ID3");
        writeBytes(tmp.path("a b#1.mp3"), "ID3");
        QDir(tmp.dir.path()).mkdir("folder.mp3");
        QFile::link(tmp.path("a.mp3"), tmp.path("link.mp3"));
        QFile::link(tmp.path("folder.mp3"), tmp.path("folderlink.mp3"));
        QFile::link(tmp.path("missing.mp3"), tmp.path("dangling.mp3"));
        fifoMade = ::mkfifo(d + "/fifo.mp3", 0600) == 0;
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray socketPath = d + "/socket.mp3";
        qstrncpy(addr.sun_path, socketPath.constData(), sizeof addr.sun_path);
        socketMade = ::bind(socketFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    }
    ~Places() { ::close(socketFd); }
    TempDir tmp;
    bool fifoMade = false;
    bool socketMade = false;
    int socketFd = -1;
};

TEST(MediaLocation, OnlyWebUrlsAndRegularFilesOpen)
{
    Places places;
    ASSERT_TRUE(places.fifoMade);
    ASSERT_TRUE(places.socketMade);
    struct Case
    {
        const char *location; // %T is the folder
        Kind kind;
        const char *path; // the local path to open
    };
    const Case cases[] = {
        {"http://127.0.0.1:8563/media/a.mp3", Kind::Web, ""},
        {"HTTPS://127.0.0.1/a.mp3?id=1", Kind::Web, ""},
        {"%T/a.mp3", Kind::LocalFile, "%T/a.mp3"},
        {"%T/a b#1.mp3", Kind::LocalFile, "%T/a b#1.mp3"},
        {"%T/link.mp3", Kind::LocalFile, "%T/link.mp3"},
        {"file://%T/a.mp3", Kind::LocalFile, "%T/a.mp3"},
        {"FILE://localhost%T/a.mp3", Kind::LocalFile, "%T/a.mp3"},
        {"file:%T/a.mp3", Kind::LocalFile, "%T/a.mp3"},
        {"file://%T/a%20b%231.mp3", Kind::LocalFile, "%T/a b#1.mp3"},
        {"file://%T/link.mp3", Kind::LocalFile, "%T/link.mp3"},
        // Devices, FIFOs, sockets, folders, missing files.
        {"/dev/zero", Kind::Unopenable, ""},
        {"/dev/null", Kind::Unopenable, ""},
        {"file:///dev/random", Kind::Unopenable, ""},
        {"%T/fifo.mp3", Kind::Unopenable, ""},
        {"file://%T/fifo.mp3", Kind::Unopenable, ""},
        {"%T/socket.mp3", Kind::Unopenable, ""},
        {"%T/folder.mp3", Kind::Unopenable, ""},
        {"%T/folderlink.mp3", Kind::Unopenable, ""},
        {"%T/dangling.mp3", Kind::Unopenable, ""},
        {"%T/missing.mp3", Kind::Unopenable, ""},
        {"%T", Kind::Unopenable, ""},
        {"", Kind::Unopenable, ""},
        // Other schemes, and file: URLs that name no file of ours.
        {"ftp://127.0.0.1/a.mp3", Kind::Unopenable, ""},
        {"data:audio/mpeg;base64,SUQz", Kind::Unopenable, ""},
        {"smb://127.0.0.1/share/a.mp3", Kind::Unopenable, ""},
        {"rtsp://127.0.0.1/a", Kind::Unopenable, ""},
        {"http:%T/a.mp3", Kind::Unopenable, ""},
        {"file://otherhost%T/a.mp3", Kind::Unopenable, ""},
        {"file:a.mp3", Kind::Unopenable, ""},
        {"c:\\music\\a.mp3", Kind::Unopenable, ""},
    };
    const QString folder = places.tmp.dir.path();
    for (const Case &c : cases) {
        const QString location = QString::fromUtf8(c.location).replace(u"%T"_qs, folder);
        const MediaLocation m = MediaLocation::of(location);
        EXPECT_EQ(m.kind, c.kind) << c.location;
        EXPECT_EQ(m.localPath, QString::fromUtf8(c.path).replace(u"%T"_qs, folder)) << c.location;
    }
}

TEST(MediaLocation, RelativePathsFromTheCurrentFolder)
{
    Places places;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(places.tmp.dir.path()));
    const std::pair<const char *, Kind> cases[] = {
        {"a.mp3", Kind::LocalFile},          {"./link.mp3", Kind::LocalFile}, {"folder.mp3/../a.mp3", Kind::LocalFile},
        {"fifo.mp3", Kind::Unopenable},      {"folder.mp3", Kind::Unopenable}, {"missing.mp3", Kind::Unopenable},
        {"a.mp3:x", Kind::Unopenable},
    };
    for (const auto &[location, kind] : cases) {
        const MediaLocation m = MediaLocation::of(QString::fromLatin1(location));
        EXPECT_EQ(m.kind, kind) << location;
        EXPECT_EQ(m.localPath, kind == Kind::LocalFile ? QString::fromLatin1(location) : QString()) << location;
    }
    QDir::setCurrent(before);
}

} // namespace
