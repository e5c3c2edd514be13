#include "InformationPanelRules.h"

#include "HttpTransport.h"
#include "TextCodec.h"

namespace kalvuno {

namespace {

qsizetype interfaceBytes(const QString &text)
{
    const auto bytes = encodeCp932(text);
    return bytes ? bytes->size() : text.toUtf8().size();
}

} // namespace

void InformationPanelRules::setTexts(const EntryInfo &info)
{
    m_info = info;
    if (m_info.playCount == u"0")
        m_info.playCount = QStringLiteral("--");
    m_chart = RankChart::read(m_info.rank);
    m_homeEnabled = interfaceBytes(m_info.home) > kHomeMinBytes;
    // The address in a hint that is showing belongs to the new entry now.
    updateHint();
}

QString InformationPanelRules::value(int i) const
{
    switch (i) {
    case 0:
        return m_info.artist;
    case 1:
        return m_info.title;
    case 2:
        return m_info.genre;
    case 3:
        return m_info.playCount;
    default:
        return QString();
    }
}

bool InformationPanelRules::onHome(int x, int y)
{
    const long long dx = static_cast<long long>(x) - kHomeCentreX;
    const long long dy = static_cast<long long>(y) - kHomeCentreY;
    return dx * dx + dy * dy < kHomeRadius * kHomeRadius;
}

void InformationPanelRules::updateHint()
{
    if (!m_hover) {
        m_hint = QString::fromUtf16(kInformationHint);
        return;
    }
    m_hint = QString::fromUtf16(kHomeHint);
    if (!m_info.home.isEmpty())
        m_hint += u'\r' + m_info.home;
}

int InformationPanelRules::homeIcon() const
{
    if (!m_homeEnabled)
        return 3;
    return m_hover ? 11 : 7;
}

bool InformationPanelRules::mouseMove(int x, int y)
{
    const bool inside = onHome(x, y);
    if (m_mode == HomeHeld) {
        if (inside == m_pressed)
            return false;
        m_pressed = inside;
        return true;
    }
    if (inside == m_hover)
        return false;
    m_hover = inside;
    updateHint();
    return true;
}

bool InformationPanelRules::mouseDown(bool leftButton, int x, int y)
{
    if (!leftButton || m_mode != Idle)
        return false;
    const bool hoverChanged = mouseMove(x, y);
    if (!m_hover || !m_homeEnabled)
        return hoverChanged;
    m_mode = HomeHeld;
    m_pressed = true;
    return true;
}

bool InformationPanelRules::mouseUp(bool leftButton, int x, int y, QString &navigateTo)
{
    navigateTo.clear();
    if (!leftButton || m_mode == Idle)
        return false;
    mouseMove(x, y);
    if (m_pressed) {
        m_pressed = false;
        navigateTo = homeAddress();
    }
    m_mode = Idle;
    mouseMove(x, y); // the hover is the pointer's again
    return true;
}

QString InformationPanelRules::homeAddress() const
{
    if (interfaceBytes(m_info.home) <= kHomeMinBytes)
        return QString();
    QString address = m_info.home;
    SubstituteAddress(address);
    return address.left(kHomeAddressCap);
}

bool InformationPanelRules::releaseLost()
{
    if (m_mode == Idle)
        return false;
    m_mode = Idle;
    m_pressed = false;
    return true;
}

QString InformationPanelRules::click() { return m_mode == Idle && m_homeEnabled ? homeAddress() : QString(); }

} // namespace kalvuno
