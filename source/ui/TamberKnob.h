#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

// A rotary control drawn entirely from a 129-frame filmstrip, with its caption above and its
// value on a small screen below. The editor assigns the members directly before first showing
// the knob.
class TamberKnob : public juce::Slider
{
public:
    TamberKnob();
    ~TamberKnob() override;

    void paint (juce::Graphics& g) override;
    juce::String getTextFromValue (double value) override;

    std::function<juce::String (double)> valueFormatter;
    std::array<juce::Image, 2> filmstrips; // 0 large, 1 small
    juce::Image screenImage;
    juce::Typeface::Ptr labelTypeface;
    juce::Typeface::Ptr valueTypeface;
    bool useSmallFilmstrip = false;

private:
    int currentFrameIndex();
    void paintFilmstripFrame (juce::Graphics& g, float alpha);
    void paintValueScreen (juce::Graphics& g, float alpha);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberKnob)
};
