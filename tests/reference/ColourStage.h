#pragma once

#include <juce_dsp/juce_dsp.h>

#include "dsp/DoubleBiquad.h"
#include "HarmonicGlue.h"

#include <memory>
#include <vector>

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// The saturating colour stage at twice the sample rate. The deeper and the faster-changing the
// gain reduction, the harder it drives its shaper; "harm" adds a band-limited harmonic layer, a
// soft tanh and a low-bell and high-shelf tilt on top.
class ColourStage
{
public:
    struct ColourChannel
    {
        DoubleBiquad lowBell;
        DoubleBiquad highShelf;
        HarmonicGlue glue;
        float colourPreviousGainReductionDb = 0.0f;
        float colourLowpass = 0.0f;
    };

    void prepare (double sampleRate, int maxBlockSize);
    void reset();

    // Latency of the 2x oversampler, a whole number of samples.
    float getLatencySamples() const;

    // Colours the first numChannels channels and numSamples samples of wet in place. The control
    // inputs hold one value per base-rate sample: the gain reduction in dB per channel, the harm
    // amount (0 to 0.8) and the attack time in ms.
    void applyNonlinearColourStage (juce::AudioBuffer<float>& wet, const juce::AudioBuffer<float>& gainReduction,
                                    const std::vector<float>& harm, const std::vector<float>& attack,
                                    int numChannels, int numSamples, float colourAmount, int ratioMode);

    // The soft clip that ends the shaper: bounded to +-1.1668 whatever comes in, 0 for non-finite input.
    static float softClip (float y);

    const ColourChannel& getChannel (int channel) const { return colourChannel[channel]; }

private:
    void colourBlock (juce::dsp::AudioBlock<float>& block, const juce::AudioBuffer<float>& gainReduction,
                      const std::vector<float>& harm, const std::vector<float>& attack, int numSamples,
                      float colourAmount, int ratioMode);
    float shape (ColourChannel& channel, float t, float reductionDb, float harmonicAmount, float attackMs,
                 float colourAmount, int ratioMode);

    std::unique_ptr<juce::dsp::Oversampling<float>> oversampler;
    float colourLowpassCoefficient = 0.0f;
    ColourChannel colourChannel[2];
};
} // namespace reference
