#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

// An icon button of the header bar with one picture per state: inactive, default, hovered and
// pressed. Pictures may differ in size; each is drawn at its own offset so the icon stays put.
// Without pictures the button is an invisible click area.
class TamberHeaderButton : public juce::Button
{
public:
    enum State
    {
        inactive,
        normal,
        hovered,
        pressed,
        stateCount
    };

    explicit TamberHeaderButton (const juce::String& name);
    ~TamberHeaderButton() override;

    void setStateImages (std::array<juce::Image, stateCount> images, std::array<juce::Point<int>, stateCount> offsets);

protected:
    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    std::array<juce::Image, stateCount> stateImages;
    std::array<juce::Point<int>, stateCount> imageOffsets;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberHeaderButton)
};
