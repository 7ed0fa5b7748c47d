#include "DryWetMix.h"

namespace
{
constexpr double gainRampSeconds = 0.05;
}

void DryWetMix::prepare (double newSampleRate, int maxBlockSize, int wetLatencySamples)
{
    sampleRate = newSampleRate;
    latency = std::max (0, wetLatencySamples);
    for (auto& channel : dryHistory)
        channel.assign ((size_t) (latency + maxBlockSize), 0.0f);
    dryGains.assign ((size_t) maxBlockSize, 0.0f);
    wetGains.assign ((size_t) maxBlockSize, 0.0f);
    setWetMixProportion (mixProportion);
    reset();
}

void DryWetMix::reset()
{
    // The gains jump to their targets; the delay forgets.
    dryVolume.reset (sampleRate, gainRampSeconds);
    wetVolume.reset (sampleRate, gainRampSeconds);
    for (auto& channel : dryHistory)
        std::fill (channel.begin(), channel.end(), 0.0f);
}

void DryWetMix::setWetMixProportion (float proportion)
{
    mixProportion = juce::jlimit (0.0f, 1.0f, proportion);
    dryVolume.setTargetValue (1.0f - mixProportion);
    wetVolume.setTargetValue (mixProportion);
}

void DryWetMix::gainsFor (Smoother& smoother, float* gains, int numSamples)
{
    if (! smoother.isSmoothing())
    {
        std::fill (gains, gains + numSamples, smoother.getTargetValue());
        return;
    }
    for (int i = 0; i < numSamples; ++i)
        gains[i] = smoother.getNextValue();
}

void DryWetMix::mix (const float* const* dry, float* const* wet, int numChannels, int numSamples)
{
    // All wet gains of the block first, then all dry gains: the order the smoothers advance in.
    gainsFor (wetVolume, wetGains.data(), numSamples);
    gainsFor (dryVolume, dryGains.data(), numSamples);

    for (int ch = 0; ch < numChannels; ++ch)
    {
        float* history = dryHistory[(size_t) ch].data();
        std::copy (dry[ch], dry[ch] + numSamples, history + latency);

        float* out = wet[ch];
        for (int i = 0; i < numSamples; ++i)
            out[i] = out[i] * wetGains[(size_t) i] + history[i] * dryGains[(size_t) i];

        std::copy (history + numSamples, history + numSamples + latency, history);
    }
}
