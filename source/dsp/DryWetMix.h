#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

// The dry/wet mixer of the engine: linear rule (dry gain 1 - mix, wet gain mix), gains gliding
// over 50 ms, the dry signal delayed by the wet path's whole-sample latency. It gives the same
// samples as juce::dsp::DryWetMixer<float> set up that way (whose Thiran delay line, at a whole
// number of samples, is a plain delay), without its per-sample delay-line bookkeeping.
class DryWetMix
{
public:
    void prepare (double sampleRate, int maxBlockSize, int wetLatencySamples);
    void reset();

    void setWetMixProportion (float proportion);

    // wet = wet * wetGain + (dry delayed by the latency) * dryGain, over the first numChannels
    // channels and numSamples samples.
    void mix (const float* const* dry, float* const* wet, int numChannels, int numSamples);

private:
    using Smoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    void gainsFor (Smoother& smoother, float* gains, int numSamples);

    double sampleRate = 44100.0;
    int latency = 0;
    float mixProportion = 1.0f;
    Smoother dryVolume, wetVolume;

    // Per channel: the last `latency` dry samples, then the block's.
    std::array<std::vector<float>, 2> dryHistory;
    std::vector<float> dryGains, wetGains;
};
