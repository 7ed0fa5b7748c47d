#include "dsp/DryWetMix.h"

#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

// The engine's mixer stands in for juce::dsp::DryWetMixer with the linear rule and a whole-sample
// wet latency, so it must give the same samples: through mix changes that glide, in blocks of
// any size, in stereo and mono, and after a reset.
namespace
{
constexpr double sampleRate = 48000.0;
constexpr int maxBlock = 512;
constexpr int latency = 4;

void expectSameAsJuce (int numChannels)
{
    juce::dsp::DryWetMixer<float> reference (256);
    reference.setWetMixProportion (0.3f);
    reference.prepare ({ sampleRate, (juce::uint32) maxBlock, 2 });
    reference.setMixingRule (juce::dsp::DryWetMixingRule::linear);
    reference.setWetLatency ((float) latency);

    DryWetMix mixer;
    mixer.setWetMixProportion (0.3f);
    mixer.prepare (sampleRate, maxBlock, latency);

    const int sizes[] = { 512, 1, 100, 333, 7, 512 };
    const float mixes[] = { 0.3f, 0.3f, 1.0f, 0.0f, 0.75f, 0.75f, 1.0f };
    juce::Random random (3);
    for (int round = 0; round < 60; ++round)
    {
        const int n = sizes[round % 6];
        juce::AudioBuffer<float> dry (numChannels, n), wet (numChannels, n);
        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < n; ++i)
            {
                dry.setSample (ch, i, random.nextFloat() * 2.0f - 1.0f);
                wet.setSample (ch, i, random.nextFloat() * 2.0f - 1.0f);
            }
        auto expected = wet;

        const float mix = mixes[round % 7];
        reference.setWetMixProportion (mix);
        reference.pushDrySamples (juce::dsp::AudioBlock<float> (dry));
        reference.mixWetSamples (juce::dsp::AudioBlock<float> (expected));

        mixer.setWetMixProportion (mix);
        mixer.mix (dry.getArrayOfReadPointers(), wet.getArrayOfWritePointers(), numChannels, n);

        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < n; ++i)
                ASSERT_EQ (wet.getSample (ch, i), expected.getSample (ch, i)) << "round " << round << ", channel " << ch << ", sample " << i;

        if (round == 40)
        {
            reference.reset();
            mixer.reset();
        }
    }
}
} // namespace

TEST (DryWetMix, MatchesJucesMixerInStereo)
{
    expectSameAsJuce (2);
}

TEST (DryWetMix, MatchesJucesMixerInMono)
{
    expectSameAsJuce (1);
}
