#pragma once

#include <juce_graphics/juce_graphics.h>

// Where everything sits in the fixed-size editor, in editor pixels. The artwork generator reads
// these too, so the printed panel (knob wells, scales, meter wells) always lines up with the
// components placed on it.

inline const juce::Rectangle<int> editorBounds { 0, 0, 1408, 304 };

// Entries of knobBounds: the table is ordered by parameter, not from left to right.
enum KnobSlot
{
    thresholdKnobSlot,
    attackKnobSlot,
    ratioKnobSlot,
    releaseKnobSlot,
    gainKnobSlot,
    sidechainKnobSlot,
    harmKnobSlot,
    mixKnobSlot,
    knobSlotCount
};

inline const juce::Rectangle<int> knobBounds[knobSlotCount] {
    { 188, 60, 96, 106 },  // threshold
    { 312, 60, 96, 106 },  // attack
    { 560, 60, 96, 106 },  // ratio
    { 436, 60, 96, 106 },  // release
    { 1056, 60, 96, 106 }, // gain
    { 932, 60, 96, 106 },  // sidechain
    { 684, 60, 96, 106 },  // harm
    { 808, 60, 96, 106 },  // mix
};

inline const juce::Rectangle<int> inputMeterBounds { 96, 88, 32, 200 };
inline const juce::Rectangle<int> grMeterBounds { 1200, 88, 32, 164 };
inline const juce::Rectangle<int> outputMeterBounds { 1292, 88, 32, 200 };
inline const juce::Rectangle<int> grReadoutBounds { 1188, 268, 56, 24 };

inline const juce::Rectangle<int> detectorBounds { 188, 182, 96, 106 };
inline const juce::Rectangle<int> syncBounds { 312, 182, 96, 106 };
inline const juce::Rectangle<int> autoBounds { 1059, 181, 90, 106 };
inline const juce::Rectangle<int> wideBounds { 932, 186, 96, 106 };

// The header bar: the two screens the editor paints and the buttons that sit on them.
inline const juce::Rectangle<int> presetNameScreenBounds { 448, 8, 444, 28 };
inline const juce::Rectangle<int> presetActionScreenBounds { 924, 8, 128, 28 };

inline const juce::Rectangle<int> previousButtonBounds { 454, 12, 20, 20 };
inline const juce::Rectangle<int> presetMenuButtonBounds { 484, 8, 372, 28 };
inline const juce::Rectangle<int> nextButtonBounds { 866, 12, 20, 20 };
inline const juce::Rectangle<int> newButtonBounds { 936, 10, 24, 24 };
inline const juce::Rectangle<int> saveButtonBounds { 976, 10, 24, 24 };
inline const juce::Rectangle<int> deleteButtonBounds { 1016, 10, 24, 24 };
inline const juce::Rectangle<int> aboutButtonBounds { 1368, 6, 32, 32 };

// The about panel is centred in the editor; it is never taller than the editor less a margin,
// so its close button always stays inside the window.
juce::Rectangle<int> aboutPanelBounds (juce::Rectangle<int> editor);
