#include "TamberHeaderButton.h"

TamberHeaderButton::TamberHeaderButton (const juce::String& name) : juce::Button (name) {}

TamberHeaderButton::~TamberHeaderButton() = default;

void TamberHeaderButton::setStateImages (std::array<juce::Image, stateCount> images,
                                         std::array<juce::Point<int>, stateCount> offsets)
{
    stateImages = std::move (images);
    imageOffsets = offsets;
    repaint();
}

void TamberHeaderButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    // Pressed wins over hovered: the mouse is always over a button while it is held down.
    const State state = ! isEnabled()                 ? inactive
                        : shouldDrawButtonAsDown        ? pressed
                        : shouldDrawButtonAsHighlighted ? hovered
                                                        : normal;

    const auto& image = stateImages[(size_t) state];
    if (image.isValid())
        g.drawImageAt (image, imageOffsets[(size_t) state].x, imageOffsets[(size_t) state].y);
}
