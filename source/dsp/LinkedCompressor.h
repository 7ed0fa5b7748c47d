#pragma once

#include "EngineChannelState.h"
#include "EngineModel.h"
#include "HighRatioEngine.h"

// The stereo-linked detector, gain computer and ballistics of the four engines, run sample by
// sample over a sub-block: detector with sidechain high-pass and optional RMS, envelope, soft-knee
// curve (or the "99:1" and "ALL IN" stages), gain smoothing and gain. One detector value, one
// reduction and one gain serve both channels.
//
// The arithmetic and the library calls are those of a plain per-sample loop, so the results are
// the same bit for bit. What is saved is only what cannot change a result: a logarithm of an
// envelope far below the knee, a power of a reduction of 0 dB, and repeated calls with the
// argument of the previous sample.
class LinkedCompressor
{
public:
    // The smoothed controls, one value per sample of the sub-block.
    struct Controls
    {
        const float* thresholdDb;
        const float* attackMs;
        const float* releaseMs;
        const float* ratio;
        const float* sidechainHz;
    };

    // The unsmoothed choices for the sub-block.
    struct Settings
    {
        EngineModel model;
        int ratioMode;         // 0 standard, 1 "99:1", 2 "ALL IN"
        float unsmoothedRatio; // up to 1.0001 the gain is exactly 1
        bool rmsDetector;
        bool autoRelease;
    };

    void prepare (double sampleRate);
    void reset();

    // Compresses the first numChannels channels of wet in place and writes the reduction the
    // colour stage reads (dB per channel and sample); raises reductionPeaks to the largest applied
    // reduction per channel.
    void process (float* const* wet, float* const* gainReduction, int numChannels, int numSamples,
                  const Controls& controls, const Settings& settings, EngineChannelState* channels,
                  float* reductionPeaks);

    const HighRatioEngine& getHighRatioEngine() const { return highRatioEngine; }

private:
    template <int Channels, int Mode>
    void processWith (float* const* wet, float* const* gainReduction, int numSamples, const Controls& controls,
                      const Settings& settings, EngineChannelState* channels, float* reductionPeaks);

    void updateCachedCoefficients (float engineAttackMs, float engineReleaseMs);
    void updateSidechainCoefficient (float sidechainHz);
    float coefficientForMs (float timeMs) const;
    float envelopeSkipLevel (const Controls& controls, const Settings& settings, int numSamples);

    double sampleRate = 44100.0;
    float rmsCoefficient = 0.0f;

    float cachedAttackMs = -1.0f, attackCoefficient = 0.0f;
    float cachedReleaseMs = -1.0f, releaseCoefficient = 0.0f;
    float cachedSidechainHz = -1.0f, sidechainLowpassCoefficient = 0.0f;

    // The envelope level below which no engine needs the exact level, for the last threshold.
    float skipThresholdDb = 0.0f, skipLevel = 0.0f;
    int skipRatioMode = -1;

    HighRatioEngine highRatioEngine;
};
