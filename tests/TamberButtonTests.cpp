#include "ImageProbe.h"

#include "ui/TamberHeaderButton.h"
#include "ui/TamberSwitch.h"

#include <gtest/gtest.h>

namespace
{
// paintButton is called by JUCE with the mouse state; the tests call it with every combination.
struct PaintableHeaderButton : TamberHeaderButton
{
    PaintableHeaderButton() : TamberHeaderButton ({}) {}
    using TamberHeaderButton::paintButton;
};

struct PaintableSwitch : TamberSwitch
{
    using TamberSwitch::paintButton;
};

template <typename Button>
juce::Image paintWithFlags (Button& button, bool highlighted, bool down)
{
    juce::Image image (juce::Image::ARGB, button.getWidth(), button.getHeight(), true);
    juce::Graphics g (image);
    button.paintButton (g, highlighted, down);
    return image;
}

// Four 4 x 4 pictures side by side, each in its own colour, so a painted image shows which
// state was chosen and that its offset was used.
const juce::Colour stateColours[] { juce::Colours::red, juce::Colours::green, juce::Colours::blue, juce::Colours::yellow };

void giveDistinctStateImages (TamberHeaderButton& button)
{
    button.setStateImages ({ solidImage (4, 4, stateColours[0]), solidImage (4, 4, stateColours[1]),
                             solidImage (4, 4, stateColours[2]), solidImage (4, 4, stateColours[3]) },
                           { juce::Point<int> (0, 0), { 4, 0 }, { 8, 0 }, { 12, 0 } });
}

int drawnState (const juce::Image& image)
{
    int found = -1;
    for (int state = 0; state < 4; ++state)
    {
        if (image.getPixelAt (state * 4 + 1, 1) != stateColours[state])
            continue;
        if (found >= 0)
            return -2; // more than one picture drawn
        found = state;
    }
    return found;
}

struct HeaderCase
{
    const char* name;
    bool enabled;
    bool highlighted;
    bool down;
    int expectedState;
};

class HeaderButtonState : public testing::TestWithParam<HeaderCase>
{
};

TEST_P (HeaderButtonState, PicksOnePicture)
{
    const auto& c = GetParam();
    PaintableHeaderButton button;
    button.setSize (20, 20);
    giveDistinctStateImages (button);
    button.setEnabled (c.enabled);

    EXPECT_EQ (drawnState (paintWithFlags (button, c.highlighted, c.down)), c.expectedState);
}

INSTANTIATE_TEST_SUITE_P (HeaderButton, HeaderButtonState,
                          testing::Values (HeaderCase { "idle", true, false, false, 1 },
                                           HeaderCase { "hovered", true, true, false, 2 },
                                           HeaderCase { "pressed", true, false, true, 3 },
                                           HeaderCase { "pressedWinsOverHovered", true, true, true, 3 },
                                           HeaderCase { "disabled", false, false, false, 0 },
                                           HeaderCase { "disabledHovered", false, true, false, 0 },
                                           HeaderCase { "disabledPressed", false, true, true, 0 }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (HeaderButton, DisabledParentShowsTheInactivePicture)
{
    juce::Component parent;
    PaintableHeaderButton button;
    button.setSize (20, 20);
    parent.addAndMakeVisible (button);
    giveDistinctStateImages (button);
    parent.setEnabled (false);

    EXPECT_EQ (drawnState (paintWithFlags (button, true, true)), 0);
}

TEST (HeaderButton, WithoutPicturesPaintsNothing)
{
    PaintableHeaderButton button;
    button.setSize (372, 28);

    for (const bool enabled : { true, false })
    {
        button.setEnabled (enabled);
        for (const auto& flags : { std::pair (false, false), std::pair (true, false), std::pair (true, true) })
            EXPECT_EQ (maxAlpha (paintWithFlags (button, flags.first, flags.second), button.getLocalBounds()), 0);
    }
}

TEST (HeaderButton, NewPicturesRepaintAtOnce)
{
    PaintableHeaderButton button;
    button.setSize (20, 20);
    auto& repaints = countRepaints (button);

    giveDistinctStateImages (button);
    EXPECT_EQ (repaints.count, 1);
}

struct SwitchCase
{
    const char* name;
    bool enabled;
    bool highlighted;
    bool down;
    float expectedOpacity;
};

class SwitchOpacity : public testing::TestWithParam<SwitchCase>
{
};

TEST_P (SwitchOpacity, ScalesWithMouseAndEnablementAndNeverExceedsOne)
{
    const auto& c = GetParam();
    PaintableSwitch toggle;
    toggle.setSize (90, 106);
    toggle.toggleImages = { solidImage (90, 106, juce::Colours::white), solidImage (90, 106, juce::Colours::white) };
    toggle.setEnabled (c.enabled);

    const auto image = paintWithFlags (toggle, c.highlighted, c.down);
    // JUCE quantises image opacity to 1/256.
    EXPECT_NEAR (image.getPixelAt (45, 53).getAlpha(), c.expectedOpacity * 255.0f, 2.0f);
}

INSTANTIATE_TEST_SUITE_P (Switch, SwitchOpacity,
                          testing::Values (SwitchCase { "idle", true, false, false, 1.0f },
                                           SwitchCase { "down", true, false, true, 0.9f },
                                           SwitchCase { "hoveredIsCappedAtOne", true, true, false, 1.0f },
                                           SwitchCase { "hoveredAndDown", true, true, true, 0.972f },
                                           SwitchCase { "disabled", false, false, false, 0.4f },
                                           SwitchCase { "disabledDown", false, false, true, 0.36f },
                                           SwitchCase { "disabledHovered", false, true, false, 0.432f },
                                           SwitchCase { "disabledHoveredAndDown", false, true, true, 0.3888f }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (Switch, ShowsThePictureOfItsToggleStateStretchedToItsBounds)
{
    PaintableSwitch toggle;
    toggle.setSize (90, 106);
    toggle.toggleImages = { solidImage (9, 10, juce::Colours::red), solidImage (9, 10, juce::Colours::blue) };

    EXPECT_EQ (paintWithFlags (toggle, false, false).getPixelAt (88, 104), juce::Colours::red);
    toggle.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (paintWithFlags (toggle, false, false).getPixelAt (88, 104), juce::Colours::blue);

    // A disabled switch still tells on from off.
    toggle.setEnabled (false);
    EXPECT_EQ (paintWithFlags (toggle, false, false).getPixelAt (1, 1).withAlpha (1.0f), juce::Colours::blue);
}

TEST (Switch, InvalidPictureForTheCurrentStateDrawsNothing)
{
    PaintableSwitch toggle;
    toggle.setSize (90, 106);
    toggle.toggleImages = { solidImage (90, 106, juce::Colours::red), {} };
    toggle.setToggleState (true, juce::dontSendNotification);

    EXPECT_EQ (maxAlpha (paintWithFlags (toggle, false, false), toggle.getLocalBounds()), 0);
}
} // namespace
