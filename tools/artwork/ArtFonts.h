#pragma once

#include <juce_graphics/juce_graphics.h>

// The plug-in's two typefaces, read from the asset folder, for the panel's printing.
struct ArtFonts
{
    juce::Typeface::Ptr label; // Roboto Medium
    juce::Typeface::Ptr value; // Ropa Sans Regular

    static ArtFonts loadFrom (const juce::File& folder);

    juce::Font labelFont (float height, float kerning) const;
    juce::Font valueFont (float height, float kerning) const;
};
