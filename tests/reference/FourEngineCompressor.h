#pragma once

#include <juce_dsp/juce_dsp.h>

#include "ColourStage.h"
#include "MakeupStage.h"
#include "TruePeakLimiter.h"
#include "dsp/EngineChannelState.h"
#include "dsp/EngineModel.h"
#include "dsp/HighRatioEngine.h"
#include "dsp/ParameterSnapshot.h"

#include <vector>

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// The whole signal engine: a stereo-linked compressor with four engines (unity, standard, "99:1",
// "ALL IN"), a 2x-oversampled colour stage, mid/side width, makeup, dry/wet mix and a true-peak
// lookahead limiter. prepare() sizes everything; processSubBlock() never allocates.
class FourEngineCompressor
{
public:
    // The engine constants and the per-channel state records are the engine's own: data, with no
    // optimised twin to check.
    using EngineModel = ::EngineModel;
    using EngineChannelState = ::EngineChannelState;

    FourEngineCompressor();

    void prepare (double sampleRate, int maxBlockSize, int numChannels, const ParameterSnapshot& snapshot);
    void reset();

    // Runs every stage over the first numSamples samples of the first numChannels channels of
    // view, in place. numSamples must not exceed the prepared block size.
    void processSubBlock (juce::AudioBuffer<float>& view, int numChannels, int numSamples,
                          const ParameterSnapshot& snapshot);

    int getLatencySamples() const;

    const EngineChannelState& getChannelState (int channel) const { return channelState[channel]; }
    const HighRatioEngine& getHighRatioEngine() const { return highRatioEngine; }

    // Meter values of the last processed sub-block (dBFS for levels, dB of reduction).
    float lastInputLeftDb = -60.0f;
    float lastInputRightDb = -60.0f;
    float lastOutputLeftDb = -60.0f;
    float lastOutputRightDb = -60.0f;
    float lastGainReductionLeftDb = 0.0f;
    float lastGainReductionRightDb = 0.0f;

private:
    using LinearSmoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    // What the detector and gain computer hand over for one sample.
    struct DetectorResult
    {
        float rectifiedPeak;    // max |x| over the channels, before the sidechain filter
        float largestMeanSquare;
        float linkedDetector;   // after the detector gain
    };

    void setSmootherTargets (const ParameterSnapshot& snapshot);
    void copyInputToWorkBuffers (const juce::AudioBuffer<float>& view, int numChannels, int numSamples);
    void runCompressor (int numChannels, int numSamples, const ParameterSnapshot& snapshot,
                        const EngineModel& model, float* inputPeaks, float* reductionPeaks);
    DetectorResult detect (int numChannels, int sample, float sidechainHz, const ParameterSnapshot& snapshot,
                           const EngineModel& model);
    void applyStereoWidth (int numChannels, int numSamples);
    void mixDryAndWet (int numChannels, int numSamples);
    void writeOutput (juce::AudioBuffer<float>& view, int numChannels, int numSamples, float* outputPeaks);
    void updateCachedCoefficients (float engineAttackMs, float engineReleaseMs);
    float coefficientForMs (float timeMs) const;
    float onePole (double seconds) const;

    double sampleRate = 44100.0;
    int numChannels = 2;
    int maxBlockSize = 1;

    LinearSmoother thresholdSmoother, attackSmoother, releaseSmoother, ratioSmoother, mixSmoother,
        makeupSmoother, widthSmoother, sidechainSmoother, harmSmoother;

    juce::dsp::DryWetMixer<float> mixer;

    juce::AudioBuffer<float> dryBuffer, wetBuffer, gainReductionBuffer;
    std::vector<float> harmPerSample, attackPerSample;

    float sideLowpassCoefficient = 0.0f;
    float rmsCoefficient = 0.0f;

    float cachedAttackMs = -1.0f, attackCoefficient = 0.0f;
    float cachedReleaseMs = -1.0f, releaseCoefficient = 0.0f;
    float cachedSidechainHz = -1.0f, sidechainLowpassCoefficient = 0.0f;

    HighRatioEngine highRatioEngine;

    EngineChannelState channelState[2];

    ColourStage colourStage;
    MakeupStage makeup;
    TruePeakLimiter limiter;
};
} // namespace reference
