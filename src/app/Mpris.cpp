#include "Mpris.h"

#include "PlaylistPanel.h"
#include "TPlay.h"
#include "MainWindow.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

using namespace kalvuno;

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

Mpris::Mpris(TFo_Kalvuno &window) : QObject(&window), m_window(window)
{
    new MprisRoot(this);
    new MprisPlayer(this);
}

Mpris::~Mpris()
{
    if (m_registered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kObjectPath);
        bus.unregisterService(m_busName);
    }
}

bool Mpris::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    m_busName = QStringLiteral("org.mpris.MediaPlayer2.kalvuno");
    // A "/test" instance running beside another takes a name of its own.
    if (bus.interface()->isServiceRegistered(m_busName))
        m_busName += QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    if (!bus.registerService(m_busName))
        return false;
    m_registered = bus.registerObject(kObjectPath, this);
    if (m_registered)
        bus.connect(QString(), kObjectPath, kPlayerInterface, QStringLiteral("OpenUri"), this,
                    SLOT(openUriSignal(QString)));
    return m_registered;
}

void Mpris::openUriSignal(const QString &uri)
{
    if (auto *player = findChild<MprisPlayer *>())
        player->OpenUri(uri);
}

bool Mpris::hasPlayer() const { return bool(m_window.playback().player()); }

QString Mpris::playbackStatus() const
{
    const auto player = m_window.playback().player();
    if (!player)
        return QStringLiteral("Stopped");
    return player->State == 2 ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString Mpris::loopStatus() const { return loopStatusOf(m_window.playback().repeatMode); }

void Mpris::setLoopStatus(const QString &status)
{
    const int current = m_window.playback().repeatMode;
    if (const int wanted = repeatModeForLoopStatus(status, current); wanted != current)
        m_window.MS_RepeatClick(wanted);
}

QVariantMap Mpris::metadata() const
{
    const QString key = m_window.playback().currentKey();
    const CurrentPlaylist &list = m_window.playlist();
    const int index = key.isEmpty() ? -1 : list.indexOf(key);
    if (index < 0 || !hasPlayer())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack"))}};
    const QByteArray id = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5).toHex();
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/kalvuno/Track/t") + QString::fromLatin1(id))));
    m.insert(QStringLiteral("xesam:title"), list.value(index, u"Title"));
    m.insert(QStringLiteral("xesam:artist"), QStringList{list.value(index, u"Artist")});
    m.insert(QStringLiteral("xesam:genre"), QStringList{list.value(index, u"Genre")});
    m.insert(QStringLiteral("xesam:url"), list.value(index, u"MP3"));
    if (const auto player = m_window.playback().player(); player && player->Duration > 0)
        m.insert(QStringLiteral("mpris:length"), qlonglong(player->Duration / 10));
    return m;
}

qlonglong Mpris::positionUs() const
{
    const auto player = m_window.playback().player();
    if (!player || player->Duration <= 0)
        return 0;
    return qlonglong(player->Position.load() * double(player->Duration.load()) / 10.0);
}

void Mpris::publishChanges()
{
    if (!m_registered)
        return;
    // Cheap to gather every tick; the metadata is built only when these moved.
    const auto player = m_window.playback().player();
    const QString status = playbackStatus();
    const QString loop = loopStatus();
    const QString key = player ? m_window.playback().currentKey() : QString();
    const qint64 length = player ? qint64(player->Duration.load()) : 0;
    if (status == m_status && loop == m_loop && key == m_key && length == m_length)
        return;
    QVariantMap changed;
    if (status != m_status)
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    if (loop != m_loop)
        changed.insert(QStringLiteral("LoopStatus"), loop);
    if (key != m_key || length != m_length)
        changed.insert(QStringLiteral("Metadata"), metadata());
    m_status = status;
    m_loop = loop;
    m_key = key;
    m_length = length;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::announceSeek(qlonglong positionUs)
{
    if (auto *player = findChild<MprisPlayer *>())
        emit player->Seeked(positionUs);
}

MprisRoot::MprisRoot(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}

QStringList MprisRoot::supportedMimeTypes() const
{
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"), QStringLiteral("audio/midi"),
            QStringLiteral("video/mpeg"), QStringLiteral("video/x-msvideo")};
}

void MprisRoot::Raise() { m_mpris->window().restoreFromTray(); }

void MprisRoot::Quit() { m_mpris->window().requestClose(); }

MprisPlayer::MprisPlayer(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}

// Commands act like the program's own buttons, but never under a tick, a
// message box or a request that is still on the stack: they wait for those.
void MprisPlayer::Next()
{
    m_mpris->window().whenIdle([m = m_mpris] { m->window().playback().stepSelection(+1); });
}

void MprisPlayer::Previous()
{
    m_mpris->window().whenIdle([m = m_mpris] { m->window().playback().stepSelection(-1); });
}

void MprisPlayer::Pause()
{
    m_mpris->window().whenIdle([m = m_mpris] {
        if (m->playbackStatus() == u"Playing")
            m->window().playback().PausePlayback();
    });
}

void MprisPlayer::PlayPause()
{
    m_mpris->window().whenIdle([m = m_mpris] { m->window().playback().playOrPause(); });
}

void MprisPlayer::Stop()
{
    m_mpris->window().whenIdle([m = m_mpris] { m->window().playback().StopPlayback(); });
}

void MprisPlayer::Play()
{
    m_mpris->window().whenIdle([m = m_mpris] {
        if (m->playbackStatus() != u"Playing")
            m->window().playback().playOrPause();
    });
}

void MprisPlayer::seekTo(qlonglong positionUs)
{
    const auto player = m_mpris->window().playback().player();
    if (!player || player->Duration <= 0)
        return;
    const double lengthUs = double(player->Duration.load()) / 10.0;
    player->addCommand(TPlay::seekCommand(std::clamp(double(positionUs) / lengthUs, 0.0, 1.0)));
    emit Seeked(positionUs);
}

void MprisPlayer::Seek(qlonglong offsetUs)
{
    const auto player = m_mpris->window().playback().player();
    if (!player || player->Duration <= 0)
        return;
    const qlonglong target = std::max<qlonglong>(0, m_mpris->positionUs() + offsetUs);
    if (target > player->Duration / 10) {
        Next(); // past the end: as the next button
        return;
    }
    seekTo(target);
}

void MprisPlayer::SetPosition(const QDBusObjectPath &trackId, qlonglong positionUs)
{
    const QVariantMap now = m_mpris->metadata();
    const auto player = m_mpris->window().playback().player();
    if (!player || positionUs < 0 || positionUs > player->Duration / 10
        || now.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>() != trackId)
        return;
    seekTo(positionUs);
}

void MprisPlayer::OpenUri(const QString &uri)
{
    const QUrl url(uri);
    const QString location = url.isLocalFile() ? url.toLocalFile() : uri;
    if (location.isEmpty())
        return;
    m_mpris->window().whenIdle([m = m_mpris, location, title = QFileInfo(url.path()).fileName()] {
        TFo_Kalvuno &w = m->window();
        // The location joins the end of the list and plays on the next tick.
        w.playlistPanel()->appendEntry(location, {{QStringLiteral("Title"), title},
                                                  {QStringLiteral("Artist"), QStringLiteral("Unknown")},
                                                  {QStringLiteral("MP3"), location}});
        w.playback().pending = {PendingListAction::PlayLast, {}};
        w.tickSoon();
    });
}
