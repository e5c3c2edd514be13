#include "SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <sys/socket.h>
#include <unistd.h>

namespace kalvuno {

namespace {

constexpr QByteArrayView kCloseRequest = "close\n";
constexpr int kConnectWaitMs = 200;

// The process behind a connected local socket, or 0 when unknown.
qint64 peerProcess(const QLocalSocket &socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return 0;
    return credentials.pid;
}

// A process has gone when it no longer exists or only its exit status is
// left for its parent to collect.
bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0 || close + 2 >= text.size())
        return true;
    const char state = text.at(close + 2);
    return state == 'Z' || state == 'X';
}

QStringList socketsIn(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
        paths.append(dir.filePath(name));
    return paths;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject *parent) : QObject(parent), m_folder(std::move(folder)) {}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close(); // removes our socket file
}

QString SingleInstance::folderFor(const QString &profileFolder)
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir())
        runtime = QDir::tempPath();
    const QByteArray hash = QCryptographicHash::hash(profileFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("%1/kalvuno-%2-%3").arg(runtime).arg(getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::mayBeRunning(const QString &folder)
{
    return !socketsIn(folder).isEmpty();
}

QString SingleInstance::serverName() const
{
    return m_folder + u'/' + QString::number(QCoreApplication::applicationPid());
}

bool SingleInstance::closeRunningInstances(int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    const auto left = [&] { return timeoutMs - elapsed.elapsed(); };
    const QString own = serverName();
    // An instance started meanwhile (a "/test" one) is closed too, so go
    // round until nobody answers any more.
    for (;;) {
        bool anyAnswered = false;
        for (const QString &path : socketsIn(m_folder)) {
            if (path == own)
                continue;
            QLocalSocket socket;
            socket.connectToServer(path);
            if (!socket.waitForConnected(kConnectWaitMs)) {
                // Nobody listens: the socket file of an instance that crashed.
                if (socket.error() == QLocalSocket::ConnectionRefusedError
                    || socket.error() == QLocalSocket::ServerNotFoundError)
                    QFile::remove(path);
                continue;
            }
            anyAnswered = true;
            const qint64 pid = peerProcess(socket);
            socket.write(kCloseRequest.data(), kCloseRequest.size());
            socket.flush();
            // The instance keeps our connection open until its process ends,
            // after its window's close and destroy work has run.
            while (socket.state() != QLocalSocket::UnconnectedState || (pid > 0 && !processGone(pid))) {
                if (left() <= 0)
                    return false;
                if (socket.state() != QLocalSocket::UnconnectedState)
                    socket.waitForDisconnected(int(qMin<qint64>(left(), 100)));
                else
                    QThread::msleep(10);
            }
        }
        if (!anyAnswered)
            return true;
        if (left() <= 0)
            return false;
    }
}

bool SingleInstance::listen()
{
    if (!QDir().mkpath(m_folder))
        return false;
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A file under our own process id is left from an earlier process that
    // had the same id and crashed.
    const QString name = serverName();
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

QList<qint64> SingleInstance::answeringInstances(const QString &folder)
{
    QList<qint64> pids;
    for (const QString &path : socketsIn(folder)) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(kConnectWaitMs))
            pids.append(peerProcess(socket));
    }
    return pids;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The socket stays open (owned by the server) until this process ends.
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(kCloseRequest.data()))
                emit closeRequested();
        });
    }
}

} // namespace kalvuno
