#pragma once

#include "ArtFonts.h"

// The 1408 x 304 front panel behind every control: brushed anodised face, header bar, knob
// wells with their scales, meter wells with theirs, and the name plate.
namespace PanelArt
{
juce::Image renderBackground (const ArtFonts& fonts);
} // namespace PanelArt
