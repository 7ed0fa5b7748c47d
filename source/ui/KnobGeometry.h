#pragma once

#include <juce_graphics/juce_graphics.h>

// The knob's filmstrip format and where its parts sit inside a 96 x 106 knob. Shared by the
// knob widget and the artwork generator, which prints each knob's scale around the frame's
// pivot.
namespace KnobGeometry
{
inline constexpr int frameWidth = 100;
inline constexpr int frameHeight = 112;
inline constexpr int lastFrame = 128;
inline constexpr int frameCount = lastFrame + 1;

// The pointer sweeps 300 degrees: frame 0 points 150 degrees anticlockwise from straight up,
// the last frame 150 degrees clockwise.
inline constexpr float sweepStartDegrees = -150.0f;
inline constexpr float sweepDegrees = 300.0f;

// The pivot of the knob inside a frame.
inline const juce::Point<float> framePivot { 50.0f, 46.0f };

inline const juce::Rectangle<int> largeFramePlacement { -2, 4, 100, 112 };
inline const juce::Rectangle<int> smallFramePlacement { 5, 11, 85, 96 };
inline const juce::Rectangle<int> captionArea { 0, 0, 96, 14 };
inline const juce::Rectangle<int> screenArea { 12, 82, 72, 24 };

// The pivot in knob-local pixels, once the frame is drawn into its placement.
inline juce::Point<float> pivotInKnob (bool small)
{
    const auto placement = (small ? smallFramePlacement : largeFramePlacement).toFloat();
    return { placement.getX() + framePivot.x * placement.getWidth() / (float) frameWidth,
             placement.getY() + framePivot.y * placement.getHeight() / (float) frameHeight };
}
} // namespace KnobGeometry
