#pragma once

#include "EngineChannelState.h"
#include "EngineModel.h"
#include "HighRatioEngine.h"

#include <array>
#include <limits>

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
    // The last argument of a function and its result: the same argument gives the same result, so
    // a signal that holds still (a settled gain, a reduction of 0 dB) costs no library call.
    template <float (*Function) (float)>
    struct Remembered
    {
        float argument = std::numeric_limits<float>::quiet_NaN();
        float result = 0.0f;

        float operator() (float x)
        {
            if (x != argument)
            {
                argument = x;
                result = Function (x);
            }
            return result;
        }
    };

    // What the detector and the envelope give for one sample.
    struct Detection
    {
        float rectifiedPeak;     // max |x| over the channels, before the sidechain filter
        float largestMeanSquare; // of the channels' detector mean squares
        float level;             // linked detector level after the detector gain
        float envelope;
        float attackCoefficient;
        float releaseCoefficient; // of the envelope, and of the standard engine's gain
    };

    static constexpr int chunkLength = 128;

    template <int Channels, int Mode>
    void processWith (float* const* wet, float* const* gainReduction, int numSamples, const Controls& controls,
                      const Settings& settings, EngineChannelState* channels, float* reductionPeaks);

    static float levelDbOf (float envelope);
    static float gainOfReduction (float reductionDb);
    static float appliedReductionDb (float gain);

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

    Remembered<levelDbOf> levelDb;
    Remembered<gainOfReduction> gainOf;
    Remembered<appliedReductionDb> appliedOf;

    // Per sample of a stretch, between the passes of the feed-forward engines.
    std::array<Detection, chunkLength> detections {};
    std::array<float, chunkLength> reductions {}, targetGains {}, gains {};
};
