#pragma once

#include <QIcon>
#include <QObject>

class QSystemTrayIcon;

namespace kalvuno {

// The notification-area icon shown while the program is minimised.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(const QIcon &icon, QObject *parent = nullptr);

    static bool isAvailable();
    bool isShown() const { return m_shown; }
    // Each does nothing when the icon is already in the wanted state.
    void show();
    void hide();

signals:
    // A left click on the icon; other clicks are ignored.
    void leftClicked();

private:
    QSystemTrayIcon *m_icon;
    bool m_shown = false;
};

} // namespace kalvuno
