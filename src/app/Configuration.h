#pragma once

#include "IniFile.h"

#include <QString>

namespace kalvuno {

// Typed keys of "Kalvuno.ini" with the values they read as when missing.
struct TextKey
{
    const char16_t *section;
    const char16_t *key;
    const char16_t *defaultValue;
};
struct IntKey
{
    const char16_t *section;
    const char16_t *key;
    int defaultValue;
};
struct BoolKey
{
    const char16_t *section;
    const char16_t *key;
    bool defaultValue;
};

namespace keys {
inline constexpr const char16_t *kGeneral = u"General";
inline constexpr const char16_t *kWindow = u"Window";
inline constexpr const char16_t *kOnTimer = u"OnTimer0";
inline constexpr const char16_t *kDownloadedCopies = u"DownLoad";

inline constexpr IntKey Setup{kGeneral, u"Setup", 0};
inline constexpr TextKey Download{kGeneral, u"Download", u""};
inline constexpr TextKey DownloadWAV{kGeneral, u"DownloadWAV", u""};
inline constexpr TextKey DownloadMpeg{kGeneral, u"DownloadMpeg", u""};
inline constexpr TextKey DownloadMIDI{kGeneral, u"DownloadMIDI", u""};
inline constexpr BoolKey DL{kGeneral, u"DL", true};
inline constexpr BoolKey DownloadON{kGeneral, u"DownloadON", true};
inline constexpr BoolKey DownloadKalvunoOnly{kGeneral, u"DownloadKalvunoOnly", true};
inline constexpr BoolKey Browse{kGeneral, u"Browse", true};
inline constexpr TextKey DomainName{kGeneral, u"DomainName", u""};
inline constexpr TextKey PrivateAddress{kGeneral, u"PrivateAddress", u""};
inline constexpr IntKey VideoMode{kGeneral, u"VideoMode", 1};
inline constexpr IntKey RepeatMode{kGeneral, u"RepeatMode", 0};
inline constexpr BoolKey OnTimer_ON{kGeneral, u"OnTimer_ON", false};
inline constexpr TextKey AccessID{kGeneral, u"AccessID", u""};

// The placement keys default to the window's current bounds, given at the read.
inline constexpr BoolKey StatusBar{kWindow, u"StatusBar", true};
inline constexpr IntKey Left{kWindow, u"Left", 0};
inline constexpr IntKey Top{kWindow, u"Top", 0};
inline constexpr IntKey Width{kWindow, u"Width", 0};
inline constexpr IntKey Height{kWindow, u"Height", 0};

inline constexpr TextKey OnTimerTime{kOnTimer, u"Time", u"00:00"};
inline constexpr IntKey OnTimerTarget{kOnTimer, u"Target", 2};
inline constexpr IntKey OnTimerFavoriteTarget{kOnTimer, u"FavoriteTarget", 0};
inline constexpr IntKey OnTimerPlaylistTarget{kOnTimer, u"PlaylistTarget", 0};
inline constexpr TextKey OnTimerFavorite{kOnTimer, u"Favorite", u""};
inline constexpr TextKey OnTimerPlaylist{kOnTimer, u"Playlist", u""};
inline constexpr BoolKey OnTimerUseOffTimer{kOnTimer, u"UseOffTimer", false};
inline constexpr IntKey OnTimerOffTimer{kOnTimer, u"OffTimer", 0};
inline constexpr BoolKey OnTimerPriority{kOnTimer, u"Priority", false};
} // namespace keys

// "Kalvuno.ini": the program's settings, written to disk as soon as they change.
class Configuration
{
public:
    explicit Configuration(const QString &path) : m_file(path) {}

    IniFile &file() { return m_file; }
    const QString &path() const { return m_file.path(); }

    QString read(const TextKey &k) const { return m_file.readString(k.section, k.key, QString::fromUtf16(k.defaultValue)); }
    int read(const IntKey &k) const { return m_file.readInteger(k.section, k.key, k.defaultValue); }
    int read(const IntKey &k, int defaultValue) const { return m_file.readInteger(k.section, k.key, defaultValue); }
    bool read(const BoolKey &k) const { return m_file.readBool(k.section, k.key, k.defaultValue); }

    // Each write returns false when the file could not be written.
    bool write(const TextKey &k, QStringView value) { return m_file.writeString(k.section, k.key, value); }
    bool write(const IntKey &k, int value) { return m_file.writeInteger(k.section, k.key, value); }
    bool write(const BoolKey &k, bool value) { return m_file.writeBool(k.section, k.key, value); }

private:
    IniFile m_file;
};

} // namespace kalvuno
