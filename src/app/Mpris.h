#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>
#include <QtGlobal>

class TFo_Kalvuno;

// Remote control over the session bus (MPRIS 2): desktop media keys,
// playerctl and the like drive the program through the same operations as
// its own buttons. Without a session bus nothing of this exists.
class Mpris : public QObject
{
    Q_OBJECT
public:
    explicit Mpris(TFo_Kalvuno &window);
    ~Mpris() override;

    // Registers on the session bus; false when there is none.
    bool start();
    const QString &busName() const { return m_busName; }

    // Called by the main loop: tells the bus what changed since the last call.
    void publishChanges();
    void announceSeek(qlonglong positionUs);

    TFo_Kalvuno &window() { return m_window; }
    QString playbackStatus() const;
    QString loopStatus() const;
    void setLoopStatus(const QString &status);
    QVariantMap metadata() const;
    qlonglong positionUs() const;
    bool hasPlayer() const;

private slots:
    // dbus-send without --print-reply, as desktop applets use it, sends
    // OpenUri as a signal addressed to us rather than as a method call.
    void openUriSignal(const QString &uri);

private:
    TFo_Kalvuno &m_window;
    QString m_busName;
    // What was last announced on the bus.
    QString m_status;
    QString m_loop;
    QString m_key;
    qint64 m_length = -1;
    bool m_registered = false;
};

// org.mpris.MediaPlayer2
class MprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRoot(Mpris *mpris);
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Kalvuno"); }
    QString desktopEntry() const { return QStringLiteral("kalvuno"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file"), QStringLiteral("http")}; }
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    Mpris *m_mpris;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayer(Mpris *mpris);
    QString playbackStatus() const { return m_mpris->playbackStatus(); }
    QString loopStatus() const { return m_mpris->loopStatus(); }
    void setLoopStatus(const QString &status) { m_mpris->setLoopStatus(status); }
    double rate() const { return 1.0; }
    void setRate(double) {} // the program always plays at its own speed
    double volume() const { return 1.0; }
    QVariantMap metadata() const { return m_mpris->metadata(); }
    qlonglong position() const { return m_mpris->positionUs(); }
    bool canControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath &trackId, qlonglong positionUs);
    void OpenUri(const QString &uri);

signals:
    void Seeked(qlonglong positionUs);

private:
    void seekTo(qlonglong positionUs);
    Mpris *m_mpris;
};
