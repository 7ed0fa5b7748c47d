#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include "DoubleBiquad.h"
#include "HalfBandOversampler.h"
#include "HarmonicGlue.h"
#include "SimdLevel.h"

#include <array>
#include <vector>

// The saturating colour stage at twice the sample rate. The deeper and the faster-changing the
// gain reduction, the harder it drives its shaper; "harm" adds a band-limited harmonic layer, a
// soft tanh and a low-bell and high-shelf tilt on top.
//
// The oversampled block is coloured in chunks, each in a few passes: the shaper's arithmetic and
// its tanh and atan over whole vectors of samples, the filters (which depend on their previous
// output) sample by sample in between.
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

    // Oversampled samples per pass: small enough that a pass's arrays stay in the first-level cache.
    static constexpr int chunkLength = 128;

    // What one chunk carries from pass to pass.
    struct Chunk
    {
        template <typename T>
        using PerSample = std::array<T, chunkLength>;

        // The controls, shared by both channels.
        alignas (64) PerSample<float> harmonicAmount {}, attackMs {};
        bool harmonicLayerOff = false; // harm is 0 throughout the chunk

        // Per channel.
        struct Channel
        {
            alignas (64) PerSample<float> input {}, reductionDb {}, previousReductionDb {}, drive {}, inputDrive {},
                wetAmount {}, shaped {}, lowpassed {};
            alignas (64) PerSample<double> clipped {}, withTanhLayer {}, bandLimited {}, products {};
        };
        std::array<Channel, 2> channels;
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

    void setSimdLevel (SimdLevel level) { simdLevel = level; }

private:
    void colourBlock (float* const* channels, int numChannels, int total, const juce::AudioBuffer<float>& gainReduction,
                      const std::vector<float>& harm, const std::vector<float>& attack, int numSamples,
                      float colourAmount, int ratioMode);
    void interpolateControls (const float* harm, const float* attack, int numControls, int samplesPerControl,
                              int start, int length);
    void readChannel (int channel, const float* samples, const float* reduction, int numControls,
                      int samplesPerControl, int start, int length);

    HalfBandOversampler oversampler;
    bool prepared = false; // before prepare() the stage runs at the base rate
    float colourLowpassCoefficient = 0.0f;
    float standardAtanOfSlope = 0.0f; // the standard engine's fixed atan(slope) and tanh(bias)
    float standardTanhOfBias = 0.0f;
    ColourChannel colourChannel[2];
    Chunk chunk;
    SimdLevel simdLevel = Simd::detect();
};
