#pragma once

#include <juce_graphics/juce_graphics.h>

// The two knob filmstrips: 129 frames of 100 x 112, frame i turned to proportion i / 128.
namespace KnobArt
{
// Large knob: black anodised knurled skirt under a brushed aluminium cap with a cream pointer.
juce::Image renderLargeKnobStrip();

// Small knob: a slimmer skirt under a brighter, fully brushed cap with an amber pointer line
// that runs to the rim, so the selector knobs read differently from the main controls.
juce::Image renderSmallKnobStrip();

// Radius of each knob's skirt in frame pixels; the panel prints its scale just outside it.
float largeKnobRadius();
float smallKnobRadius();
} // namespace KnobArt
