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
