#pragma once

#include <juce_dsp/juce_dsp.h>

#include "ColourStage.h"
#include "DryWetMix.h"
#include "EngineChannelState.h"
#include "EngineModel.h"
#include "LinkedCompressor.h"
#include "MakeupStage.h"
#include "ParameterSnapshot.h"
#include "TruePeakLimiter.h"

#include <vector>

// The whole signal engine: a stereo-linked compressor with four engines (unity, standard, "99:1",
// "ALL IN"), a 2x-oversampled colour stage, mid/side width, makeup, dry/wet mix and a true-peak
// lookahead limiter. prepare() sizes everything; processSubBlock() never allocates.
class FourEngineCompressor
{
public:
    // The constants of the engine a ratio step selects; the per-sample loop reads them.
    using EngineModel = ::EngineModel;

    void prepare (double sampleRate, int maxBlockSize, int numChannels, const ParameterSnapshot& snapshot);
    void reset();

    // Runs every stage over the first numSamples samples of the first numChannels channels of
    // view, in place. numSamples must not exceed the prepared block size.
    void processSubBlock (juce::AudioBuffer<float>& view, int numChannels, int numSamples,
                          const ParameterSnapshot& snapshot);

    int getLatencySamples() const;

    const EngineChannelState& getChannelState (int channel) const { return channelState[channel]; }
    const HighRatioEngine& getHighRatioEngine() const { return linkedCompressor.getHighRatioEngine(); }

    // Meter values of the last processed sub-block (dBFS for levels, dB of reduction).
    float lastInputLeftDb = -60.0f;
    float lastInputRightDb = -60.0f;
    float lastOutputLeftDb = -60.0f;
    float lastOutputRightDb = -60.0f;
    float lastGainReductionLeftDb = 0.0f;
    float lastGainReductionRightDb = 0.0f;

private:
    using LinearSmoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    void setSmootherTargets (const ParameterSnapshot& snapshot);
    void copyInputToWorkBuffers (const juce::AudioBuffer<float>& view, int numChannels, int numSamples, float* inputPeaks);
    void renderControls (int numSamples);
    void applyStereoWidth (int numChannels, int numSamples);
    void mixDryAndWet (int numChannels, int numSamples);
    void writeOutput (juce::AudioBuffer<float>& view, int numChannels, int numSamples, float* outputPeaks);

    double sampleRate = 44100.0;
    int numChannels = 2;
    int maxBlockSize = 1;

    LinearSmoother thresholdSmoother, attackSmoother, releaseSmoother, ratioSmoother, mixSmoother,
        makeupSmoother, widthSmoother, sidechainSmoother, harmSmoother;

    DryWetMix mixer;

    juce::AudioBuffer<float> dryBuffer, wetBuffer, gainReductionBuffer;

    // The smoothed controls, one value per sample of the sub-block.
    std::vector<float> thresholdPerSample, attackPerSample, releasePerSample, ratioPerSample, sidechainPerSample,
        harmPerSample;

    float sideLowpassCoefficient = 0.0f;

    LinkedCompressor linkedCompressor;

    EngineChannelState channelState[2];

    ColourStage colourStage;
    MakeupStage makeup;
    TruePeakLimiter limiter;
};
