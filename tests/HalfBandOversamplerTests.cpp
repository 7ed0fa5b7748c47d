#include "dsp/HalfBandOversampler.h"

#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

// The colour stage's oversampler stands in for JUCE's, so it must behave as that one does, bit for
// bit: the same latency, the same upsampled samples and the same output, in stereo and mono, in
// blocks of any size, with something nonlinear done at the high rate in between.
namespace
{
constexpr int maxBlock = 512;

using JuceOversampler = juce::dsp::Oversampling<float>;

JuceOversampler makeJuceOversampler()
{
    return JuceOversampler (2, 1, JuceOversampler::filterHalfBandPolyphaseIIR, true, true);
}

float programmeSample (int channel, int i)
{
    // Noise and a tone, with stretches of near-silence where the filter states fall to the
    // snap-to-zero threshold, and stretches far over full scale.
    const float tone = (float) std::sin (0.05 * i + channel);
    const float noise = juce::Random ((juce::int64) (2 * i + channel)).nextFloat() * 2.0f - 1.0f;
    const int section = (i / 3000) % 4;
    const float level = section == 0 ? 0.5f : (section == 1 ? 1.0e-7f : (section == 2 ? 30.0f : 0.0f));
    return level * (0.6f * tone + 0.4f * noise);
}

float highRateNonlinearity (float x)
{
    return 0.7f * x + 0.1f * x * x * x;
}

void expectSameAsJuce (int numChannels)
{
    auto reference = makeJuceOversampler();
    reference.initProcessing (maxBlock);
    HalfBandOversampler oversampler;
    oversampler.prepare (maxBlock);
    ASSERT_EQ (oversampler.getLatencySamples(), reference.getLatencyInSamples());

    const int sizes[] = { 512, 1, 37, 300, 512, 128, 7 };
    int position = 0;
    for (int round = 0; round < 40; ++round)
    {
        const int n = sizes[round % 7];
        juce::AudioBuffer<float> expected (numChannels, n);
        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < n; ++i)
                expected.setSample (ch, i, programmeSample (ch, position + i));
        auto actual = expected;

        juce::dsp::AudioBlock<float> block (expected);
        auto up = reference.processSamplesUp (block);
        oversampler.processSamplesUp (actual.getArrayOfReadPointers(), numChannels, n);

        for (int ch = 0; ch < numChannels; ++ch)
        {
            float* mine = oversampler.getOversampledChannel (ch);
            float* theirs = up.getChannelPointer ((size_t) ch);
            for (int i = 0; i < 2 * n; ++i)
            {
                ASSERT_EQ (mine[i], theirs[i]) << "upsampled, channel " << ch << ", sample " << position + i / 2;
                mine[i] = theirs[i] = highRateNonlinearity (theirs[i]);
            }
        }

        reference.processSamplesDown (block);
        oversampler.processSamplesDown (actual.getArrayOfWritePointers(), numChannels, n);
        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < n; ++i)
                ASSERT_EQ (actual.getSample (ch, i), expected.getSample (ch, i)) << "channel " << ch << ", sample " << position + i;

        position += n;
        if (round == 20)
        {
            reference.reset();
            oversampler.reset();
        }
    }
}
} // namespace

TEST (HalfBandOversampler, MatchesJucesOversamplerInStereo)
{
    expectSameAsJuce (2);
}

TEST (HalfBandOversampler, MatchesJucesOversamplerInMono)
{
    expectSameAsJuce (1);
}
