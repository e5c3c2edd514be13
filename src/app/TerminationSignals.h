#pragma once

#include <QObject>

class QSocketNotifier;

namespace kalvuno {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in a terminal)
// into a signal on the user-interface thread, so the program can close as if
// its user had closed it and lose nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kalvuno
