#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

// Measures the inter-sample peak of a stream by 4x oversampling with a Kaiser-windowed sinc,
// independently of the limiter's own interpolation filter.
class TruePeakMeter
{
public:
    static constexpr int oversampling = 4;
    static constexpr int halfLength = 32; // taps on each side of the interpolated point

    explicit TruePeakMeter (int numChannels);

    void process (const juce::AudioBuffer<float>& buffer, int numSamples);

    // Lets the last samples pass the filter's centre; call once after the stream has ended.
    void finish();

    float getPeak() const { return peak; }
    void resetPeak() { peak = 0.0f; }
    float getPeakDb() const;

    static float measure (const juce::AudioBuffer<float>& buffer);

private:
    void push (int channel, float x);

    std::array<std::array<float, 2 * halfLength>, oversampling> phaseTaps {};
    std::vector<std::vector<float>> history; // per channel, 2 * halfLength samples, oldest first
    float peak = 0.0f;
};
