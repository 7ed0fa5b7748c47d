#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// What the editor paints beneath its children: the panel picture, the header's screens and the
// meter captions. The knobs draw their own captions and value screens.
struct EditorCanvas
{
    juce::Image backgroundImage;
    juce::Typeface::Ptr labelTypeface;
    juce::Typeface::Ptr valueTypeface;

    void paint (juce::Graphics& g, juce::Rectangle<int> bounds, const juce::String& presetName) const;

    // The gain-reduction readout is a plain label sitting on the readout screen.
    void styleReadout (juce::Label& readout) const;
};
