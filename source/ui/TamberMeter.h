#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

// Vertical LED bars, one per channel, lit by clipping a pre-drawn segment column. It has no
// ballistics: the editor smooths the values it hands over. Message thread only.
class TamberMeter : public juce::Component
{
public:
    enum Kind
    {
        level = 0,         // dBFS, lit upward from -60 to +6
        gainReduction = 1, // positive dB of reduction, lit downward in thirds up to 24
    };

    explicit TamberMeter (int kindOfMeter);
    ~TamberMeter() override;

    void setChannelCount (int newChannelCount);
    void setLevels (float bar0, float bar1);

    void paint (juce::Graphics& g) override;

    // A gain reduction that is non-finite or too small to see counts as none; the rest is capped.
    static float sanitiseReduction (float reductionDb);

    int barCount = 2; // bars drawn for more than one channel, at most the two levels held
    const int kind;
    juce::Image longImage;  // column of the level kind
    juce::Image shortImage; // column of the gain-reduction kind

private:
    float litFraction (float value) const;
    void paintBar (juce::Graphics& g, juce::Rectangle<float> area, float value) const;

    int channelCount = 2;
    std::array<float, 2> levels {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberMeter)
};
