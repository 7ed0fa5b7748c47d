#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

// A two-position switch drawn from two pictures: index 0 while off, index 1 while on.
class TamberSwitch : public juce::ToggleButton
{
public:
    TamberSwitch();
    ~TamberSwitch() override;

    std::array<juce::Image, 2> toggleImages;

protected:
    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberSwitch)
};
