#pragma once

#include <juce_data_structures/juce_data_structures.h>

// The nine presets built into the plug-in, kept as ".tollovane" files in the resource table
// TollovanePresetData.
namespace TollovaneFactoryPresets
{
// The position in this list is the factory preset index, which the editor's preset list follows.
inline constexpr const char* names[] { "Drum Bus Para",     "Drum Room",    "Guitar Clamp",
                                       "Harmonics + Width", "MIX FINISHER", "Mix Glue + Excite",
                                       "Stereo Mix Bus",    "Vocal Group",  "Vocals Up Front" };

// The index of the factory preset with this name, ignoring case; -1 when there is none.
int findByName (const juce::String& name);

// The state tree of a factory preset, or an invalid tree when there is none. It applies nothing:
// the caller sets the preset identity and hands the tree to the processor.
juce::ValueTree loadState (int index);
} // namespace TollovaneFactoryPresets
