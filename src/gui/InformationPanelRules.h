#pragma once

#include "CurrentPlaylist.h"
#include "RankChart.h"

#include <QString>

namespace kalvuno {

// The Home button: a 25-pixel round button whose circle is centred on its icon.
inline constexpr int kHomeButtonX = 150;
inline constexpr int kHomeButtonY = 4;
inline constexpr int kHomeIconX = 155;
inline constexpr int kHomeIconY = 9;
inline constexpr int kHomeCentreX = 163;
inline constexpr int kHomeCentreY = 17;
inline constexpr int kHomeRadius = 12;
// A home address this long or shorter (in the bytes of the interface's code page) is none.
inline constexpr int kHomeMinBytes = 10;
inline constexpr int kHomeAddressCap = 1000;
// The value boxes' texts are cut to this width before "...".
inline constexpr int kValueTextWidth = 112;

inline constexpr char16_t kInformationHint[] = u"選択中の曲の情報です。";
inline constexpr char16_t kHomeHint[] = u"アーティストのホームページを表示します。";

// The information panel's state and rules: the texts it shows, the Home
// button's hover, press and release, and the hint. Every mouse operation
// returns true when the panel must be repainted; coordinates are panel pixels.
class InformationPanelRules
{
public:
    enum Mode { Idle = 0, HomeHeld = 1 };

    // The selected entry's texts; a play count of "0" shows as "--".
    void setTexts(const EntryInfo &info);
    const EntryInfo &texts() const { return m_info; }
    // The four value boxes' texts: artist, title, genre, play count.
    QString value(int i) const;
    const RankChart &rankChart() const { return m_chart; }

    bool mouseMove(int x, int y);
    bool mouseDown(bool leftButton, int x, int y);
    // A release on the Home button of an entry with a home address gives the
    // address to go to (substituted, at most kHomeAddressCap characters).
    bool mouseUp(bool leftButton, int x, int y, QString &navigateTo);
    // The release will never come: the press ends without going anywhere.
    bool releaseLost();
    // A press and release of the Home button, as assistive tools ask for it.
    QString click();

    int mode() const { return m_mode; }
    bool hover() const { return m_hover; }
    bool pressed() const { return m_pressed; }
    bool homeEnabled() const { return m_homeEnabled; }
    // The panel's hint: its own, or the Home button's (with the address on a
    // second line after "\r") while the pointer is on the button.
    const QString &hint() const { return m_hint; }
    // 3 disabled, 7 enabled, 11 enabled under the pointer.
    int homeIcon() const;

    static bool onHome(int x, int y);

private:
    QString homeAddress() const;
    void updateHint();

    EntryInfo m_info;
    RankChart m_chart;
    int m_mode = Idle;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_homeEnabled = false;
    QString m_hint = QString::fromUtf16(kInformationHint);
};

} // namespace kalvuno
