#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class TPlay;

namespace kalvuno {

// What the control panel asks of the program (the playback rules implement it).
class ControlPanelHost
{
public:
    virtual ~ControlPanelHost() = default;
    virtual std::shared_ptr<TPlay> player() const = 0; // the current player, or none
    virtual void PausePlayback() = 0;                   // "Pause" to the current player
    virtual void StopPlayback() = 0;
    virtual void playOrPause() = 0; // the play button's release
    // The previous (-1) and next (+1) buttons: the host checks whether there
    // is an entry that way, selects it, shows it, then stops a paused player
    // or starts the entry.
    virtual void stepSelection(int delta) = 0;
    // Queues a command on a player; the panel's Seek and Resume go here.
    virtual void sendCommand(TPlay &player, const QString &command);
};

// One painted button: its icon's top-left corner and the radius of the
// circle it answers in, centred on the icon.
struct ControlButton
{
    int iconX;
    int iconY;
    int radius;
    int centreX() const { return iconX + 8; }
    int centreY() const { return iconY + 8; }
};

inline constexpr int kControlButtonCount = 6;
enum ControlButtonIndex { kPrevious = 0, kRewind = 1, kPlay = 2, kStop = 3, kFastForward = 4, kNext = 5 };
inline constexpr std::array<ControlButton, kControlButtonCount> kControlButtons{{
    {10, 68, 12},
    {33, 68, 12},
    {69, 59, 21},
    {102, 65, 15},
    {130, 68, 12},
    {154, 68, 12},
}};

// The thumb: 13 pixels square on a lane whose travel is 149 pixels.
inline constexpr int kThumbTop = 29;
inline constexpr int kThumbSize = 13;
inline constexpr int kThumbTravel = 149;
inline constexpr int kThumbOffset = 9;
// 100 ns units in a second: a held rewind or fast forward moves this far a tick.
inline constexpr int64_t kHoldStep = 10000000;

// The control panel's state and rules: hit-testing, the mouse's modes and
// the tick's part. Every operation returns true when the panel must be
// repainted; coordinates are panel pixels.
class ControlPanelRules
{
public:
    enum Mode { Idle = 0, ButtonHeld = 1, ThumbDragged = 2 };

    explicit ControlPanelRules(ControlPanelHost &host);

    bool mouseMove(int x, int y);
    bool mouseDown(bool leftButton, int x, int y);
    bool mouseUp(bool leftButton, int x, int y);
    // The release will never come (the grab went to a message box, the
    // window was hidden): a held button ends as if released outside it, a
    // drag is cancelled without a seek and playback resumes if it ran.
    bool releaseLost();
    // A press and release in the middle of a button, as assistive tools ask for it.
    bool click(int button);
    // The tick: with a playing player the thumb follows it; with none it goes
    // back to 0; with a paused one, while rewind or fast forward is held, it
    // moves one second of the entry, on timed ticks only (see Playback::tick).
    bool tick(bool timed = true);

    int mode() const { return m_mode; }
    int hover() const { return m_hover; }
    bool pressed(int button) const { return button >= 0 && button < kControlButtonCount && m_pressed[button]; }
    float position() const { return m_position; }
    void setPosition(float p) { m_position = p; }
    std::shared_ptr<TPlay> player() const;

    // The highest-numbered button whose circle holds the point strictly inside, else -1.
    static int buttonAt(int x, int y);
    static bool insideButton(int button, int x, int y);
    // The thumb's left edge for a position.
    static int thumbLeft(float position);
    // Whether a press at the point takes the thumb (both edges included).
    static bool onThumb(int x, int y, float position);

private:
    void release(int button);
    void seekAndResume(bool seek);

    ControlPanelHost &m_host;
    int m_mode = Idle;
    int m_hover = -1;
    std::array<bool, kControlButtonCount> m_pressed{};
    float m_position = 0;
    bool m_wasPlaying = false;
    float m_positionAtPress = 0;
    // A hold or drag ends with commands for the player it began on, never for
    // one that replaced it meanwhile (end of the entry, off-timer, a remote).
    std::weak_ptr<TPlay> m_pressPlayer;
};

} // namespace kalvuno
