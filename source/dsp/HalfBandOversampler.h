#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

// 2x up- and down-sampling with the same half-band polyphase IIR filters, the same fractional
// delay to a whole-sample latency and the same arithmetic as juce::dsp::Oversampling<float> set
// up with one 2x filterHalfBandPolyphaseIIR stage at maximum quality and integer latency, so its
// output is the same bit for bit. It runs the two polyphase branches of both channels side by
// side in one four-lane vector instead of one allpass section of one channel at a time.
class HalfBandOversampler
{
public:
    static constexpr int maxSections = 4; // allpass sections per polyphase branch

    void prepare (int maxBlockSize);
    void reset();

    // Whole samples at the base rate, as the JUCE oversampler reports it.
    float getLatencySamples() const { return latency; }

    // Upsamples the first numChannels (1 or 2) channels; the 2 numSamples results per channel
    // are at getOversampledChannel() until the next call.
    void processSamplesUp (const float* const* input, int numChannels, int numSamples);
    float* getOversampledChannel (int channel) { return oversampled.getWritePointer (channel); }

    // Downsamples the 2 numSamples oversampled samples per channel into output.
    void processSamplesDown (float* const* output, int numChannels, int numSamples);

    // Per branch lane (left direct, left delayed, right direct, right delayed) and section:
    // coefficients, and whether the branch has that section at all.
    struct Cascade
    {
        std::array<std::array<float, 4>, maxSections> alpha {};
        std::array<std::array<bool, 4>, maxSections> active {};
        std::array<std::array<float, 4>, maxSections> state {};
        int shared = 0, used = 0; // sections in both branches, in either
    };

private:
    void design();
    template <size_t Channels>
    void delayForIntegerLatency (float* const* samples, int numSamples);

    Cascade up, down;
    std::array<float, 2> downDelay {}; // the delayed branch's previous output, per channel

    // The first-order Thiran allpass that completes the latency to a whole number of samples.
    static constexpr int historyLength = 16;
    std::array<std::array<float, historyLength>, 2> history {};
    std::array<float, 2> thiranPrevious {};
    std::array<int, 2> historyPos {};
    int delayWhole = 0;
    float delayFraction = 0.0f, thiranAlpha = 0.0f;
    bool delayActive = false;

    float latency = 0.0f;
    juce::AudioBuffer<float> oversampled;
};
