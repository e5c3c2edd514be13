#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kalvuno {

// Keeps one program running per user and profile. Every instance listens on
// a socket of its own in the profile's rendezvous folder; a new launch asks
// each of them to close as its user would, waits until each process has
// really gone, and then takes their place.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // folder: the rendezvous folder of one profile (see folderFor).
    explicit SingleInstance(QString folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The rendezvous folder for a profile folder: one per user and profile,
    // in the user's runtime folder.
    static QString folderFor(const QString &profileFolder);

    // Asks every running instance to close and waits, at most timeoutMs in
    // all, until their sockets no longer answer and their processes have
    // exited. False when one is still there after that time.
    bool closeRunningInstances(int timeoutMs);

    // Starts answering close requests of later launches.
    bool listen();
    // The socket this instance listens on.
    QString serverName() const;

    // Whether an instance may be running: some socket is left in the folder
    // (one of a killed run counts too). Asks none of them.
    static bool mayBeRunning(const QString &folder);
    // The process ids of the instances whose sockets answer now.
    static QList<qint64> answeringInstances(const QString &folder);

signals:
    // A later launch asked this instance to close.
    void closeRequested();

private:
    void acceptConnections();

    QString m_folder;
    QLocalServer *m_server = nullptr;
};

} // namespace kalvuno
