#include "TrayIcon.h"

#include <QSystemTrayIcon>

namespace kalvuno {

TrayIcon::TrayIcon(const QIcon &icon, QObject *parent) : QObject(parent), m_icon(new QSystemTrayIcon(icon, this))
{
    m_icon->setObjectName(QStringLiteral("TrayIcon"));
    m_icon->setToolTip(QStringLiteral("Kalvuno"));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit leftClicked();
    });
}

bool TrayIcon::isAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::show()
{
    if (m_shown)
        return;
    m_icon->show();
    m_shown = true;
}

void TrayIcon::hide()
{
    if (!m_shown)
        return;
    m_icon->hide();
    m_shown = false;
}

} // namespace kalvuno
