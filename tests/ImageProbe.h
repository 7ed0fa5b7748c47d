#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Helpers for tests that paint components into images and read the pixels back.

// Everything the component paints, itself and its children, on a transparent image.
juce::Image snapshot (juce::Component& component);

// What a component's paint draws over an opaque background of the given colour.
juce::Image paintOver (juce::Component& component, juce::Colour background);

juce::Image solidImage (int width, int height, juce::Colour colour);

// The largest alpha found in an area of an image.
int maxAlpha (const juce::Image& image, juce::Rectangle<int> area);

// Counts the repaints a component asks for: JUCE routes every repaint of a visible component
// through its cached image first, even without a window. While counting, the component paints
// nothing.
class RepaintCounter final : public juce::CachedComponentImage
{
public:
    int count = 0;

    void paint (juce::Graphics&) override {}
    bool invalidateAll() override;
    bool invalidate (const juce::Rectangle<int>&) override;
    void releaseResources() override {}
};

// Makes the component visible and installs a counter, which the component owns.
RepaintCounter& countRepaints (juce::Component& component);
