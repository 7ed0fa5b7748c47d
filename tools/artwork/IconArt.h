#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

// The header bar's icons, four pictures each: inactive, default, hovered and pressed.
namespace IconArt
{
enum class Icon
{
    newPreset,
    save,
    remove,
    settings,
    arrowLeft,
    arrowRight
};

enum class State
{
    inactive,
    normal,
    hovered,
    pressed
};

inline constexpr std::array<Icon, 6> allIcons { Icon::newPreset, Icon::save, Icon::remove,
                                                Icon::settings, Icon::arrowLeft, Icon::arrowRight };
inline constexpr std::array<State, 4> allStates { State::inactive, State::normal, State::hovered, State::pressed };

juce::String fileName (Icon icon, State state);
juce::Image render (Icon icon, State state);
} // namespace IconArt
