#include "FaderWidget.h"

TFaderTV::TFaderTV() : TGUIDIB(13, 13)
{
    MakeOpaque();
    LinearGradient(0, 0, 12, 13, 0xE0E0E0, 0x606060);
    BevelFrame(0xFFFFFF, 0x404040);
    TGUIDIB dimple(10, 11);
    dimple.AddDiscAlpha(5.5f, 5.5f, 5.5f, 1.0f);
    dimple.LinearGradient(1, 1, 9, 10, 0x606060, 0xE0E0E0);
    dimple.BlendOnto(*this, 1, 1);
}
