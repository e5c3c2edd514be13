#pragma once

#include "GuiSurface.h"

#include <vector>

// The panels' 16 x 16 icons, drawn by the program, transparent around their
// shapes and laid over the round buttons with BlendOnto.
//
// IL_Buttons (14): 0 previous, 1 rewind, 2 play, 3 stop, 4 fast forward,
// 5 next, 6 pause, all black (or light on dark buttons); n + 7 is icon n in
// its highlight colour, shown under the pointer.
// IL_Buttons2 (12, three looks of four copies each): 0-3 the house drawn in
// grey lines (no home page), 4-7 with a dark red roof, 8-11 with a bright red
// roof (under the pointer).
class ButtonIcons
{
public:
    static constexpr int kSize = 16;
    static constexpr int kControlIcons = 14;
    static constexpr int kHomeIcons = 12;

    // ink: the silhouettes' colour (0x00RRGGBB); on dark buttons the
    // highlight colours are lightened too.
    explicit ButtonIcons(uint32_t ink = 0, bool darkButtons = false);

    const TGUIDIB &control(int i) const { return m_control[size_t(i)]; }
    const TGUIDIB &home(int i) const { return m_home[size_t(i)]; }

private:
    std::vector<TGUIDIB> m_control;
    std::vector<TGUIDIB> m_home;
};
