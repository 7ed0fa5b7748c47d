#pragma once

#include "ArtFonts.h"

// The meters' LED columns, the knobs' value screen and the auto-makeup switch.
namespace WidgetArt
{
// 12 x 200: 32 segments, red at the top (4), then yellow (6), then green (22).
juce::Image renderLevelColumn();

// 12 x 166: 26 segments, green at the top (18), then yellow (5), then red (3).
juce::Image renderGainReductionColumn();

// 72 x 24: the dark glass the knob's value is written on.
juce::Image renderKnobScreen();

// 90 x 106: a bat-handle toggle on its plate, up when off and down (LED lit) when on. The top
// rows stay clear for the caption the editor prints there.
juce::Image renderSwitch (const ArtFonts& fonts, bool on);
} // namespace WidgetArt
