#include "WindowPlacement.h"

#include <climits>
#include <gtest/gtest.h>

using namespace kalvuno;

TEST(WindowPlacement, DecisionTable)
{
    const QSize screen(1920, 1080);
    const QRect work(0, 0, 1920, 1040); // a panel at the bottom
    const QRect workRightOfPanel(64, 0, 1856, 1080); // a panel on the left
    struct Case
    {
        const char *what;
        SavedBounds saved;
        QRect workArea;
        PlacementAction expected;
    };
    const Case cases[] = {
        {"normal window", {100, 80, 800, 600}, work, PlacementAction::Apply},
        {"saved maximised", {-8, -8, 1936, 1056}, work, PlacementAction::Maximize},
        {"exactly the work area", {0, 0, 1920, 1040}, work, PlacementAction::Maximize},
        {"wide but not tall", {0, 0, 1920, 1039}, work, PlacementAction::Apply},
        {"left at the screen's right edge", {1920, 0, 800, 600}, work, PlacementAction::Apply},
        {"left beyond the screen", {1921, 0, 800, 600}, work, PlacementAction::Keep},
        {"top beyond the screen", {0, 1081, 800, 600}, work, PlacementAction::Keep},
        {"right edge left of the work area", {-801, 0, 800, 600}, work, PlacementAction::Keep},
        {"right edge on the work area's left", {-800, 0, 800, 600}, work, PlacementAction::Apply},
        {"bottom edge above the work area", {0, -601, 800, 600}, work, PlacementAction::Keep},
        {"work area that starts at 64", {0, 0, 800, 600}, workRightOfPanel, PlacementAction::Apply},
        {"left beyond screen minus work-area left", {1857, 0, 800, 600}, workRightOfPanel, PlacementAction::Keep},
        {"right edge left of a work area at 64", {-737, 0, 800, 600}, workRightOfPanel, PlacementAction::Keep},
        {"extreme values do not overflow", {INT_MAX, INT_MAX, INT_MAX, 10}, work, PlacementAction::Keep},
        {"extreme negatives", {INT_MIN, INT_MIN, 10, 10}, work, PlacementAction::Keep},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decidePlacement(c.saved, screen, c.workArea), c.expected) << c.what;
}

TEST(WindowPlacement, AppliedBoundsLieInsideTheWorkArea)
{
    const QRect work(64, 0, 1856, 1040);
    struct Case
    {
        const char *what;
        SavedBounds saved;
        QRect expected;
    };
    const Case cases[] = {
        {"inside already", {100, 80, 800, 600}, QRect(100, 80, 800, 600)},
        {"hanging off the right", {1500, 80, 800, 600}, QRect(1120, 80, 800, 600)},
        {"hanging off the bottom", {100, 900, 800, 600}, QRect(100, 440, 800, 600)},
        {"left of the work area", {0, 0, 800, 600}, QRect(64, 0, 800, 600)},
        // Saved at a scale factor of 1.5 on a larger screen.
        {"larger than the work area", {-20, -20, 2880, 1500}, QRect(64, 0, 1856, 1040)},
        {"no size at all", {100, 100, 0, -5}, QRect(100, 100, 1, 1)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(placeInside(c.saved, work), c.expected) << c.what;
}
