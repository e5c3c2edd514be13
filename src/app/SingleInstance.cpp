#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace kalvuno {

namespace {
constexpr QByteArrayView kCloseRequest = "close\n";
}

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::nameFor(const QString &profileFolder)
{
    const QByteArray hash = QCryptographicHash::hash(profileFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("kalvuno-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::closeRunningInstance(int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(qMax(1, timeoutMs)))
        return true; // nobody answers: no instance runs
    socket.write(kCloseRequest.data(), kCloseRequest.size());
    socket.flush();
    // The running instance keeps our connection open until its process ends,
    // after its window's close and destroy work has run.
    while (socket.state() != QLocalSocket::UnconnectedState) {
        const qint64 left = timeoutMs - elapsed.elapsed();
        if (left <= 0)
            return false;
        socket.waitForDisconnected(int(qMin<qint64>(left, 100)));
    }
    return true;
}

bool SingleInstance::listen()
{
    // Binding the name would take it from an instance that still runs, so ask first.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(200))
        return false;
    // Whatever is left under the name is a socket file of a crashed instance.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
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
