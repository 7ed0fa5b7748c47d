#pragma once

#include <juce_graphics/juce_graphics.h>

// Drawing shared by the editor canvas, the knobs and the about panel. Each helper leaves the
// colour and font of the context changed.

// kerning is extra letter spacing as a proportion of the height; a null typeface falls back to
// the default sans-serif font.
juce::Font makeFont (const juce::Typeface::Ptr& typeface, float height, float kerning);

// An upper-cased caption, centred on one line, squeezed horizontally when it does not fit.
void drawLabel (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                const juce::Typeface::Ptr& typeface, float alpha);

// A dark rounded screen with an inner shadow along its top; an empty text paints the box only.
void drawScreen (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& text,
                 const juce::Typeface::Ptr& typeface, float alpha, bool bright);
