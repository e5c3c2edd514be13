#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kalvuno {

// Keeps one program running per user and profile. A new launch asks the
// running instance to close as its user would, waits until it has gone, and
// then takes its place.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket name for a profile folder: one per user and profile.
    static QString nameFor(const QString &profileFolder);

    // Asks a running instance to close and waits, at most timeoutMs, until it
    // has gone. Returns false when one still answers after that time.
    bool closeRunningInstance(int timeoutMs);

    // Starts answering close requests of later launches. False when another
    // instance already answers (a "/test" instance runs beside it).
    bool listen();

signals:
    // A later launch asked this instance to close.
    void closeRequested();

private:
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace kalvuno
