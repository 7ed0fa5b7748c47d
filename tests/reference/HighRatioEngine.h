#pragma once

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// The signal-dependent stages of the "99:1" and "ALL IN" engines. A drive state grows with how far
// and how long the signal sits above the threshold, a transient hold lets fast peaks through by
// easing the reduction for a moment, and a push adds reduction while the signal keeps hitting.
// The release is blended between a fast and a slow time and held back after transients and deep
// reduction. Both engines share the state, so switching between them carries it over.
class HighRatioEngine
{
public:
    enum class Kind { ninetyNine, allIn };

    struct Input
    {
        float rectifiedPeak;          // max |x| over the channels, before the sidechain filter
        float largestMeanSquare;      // of the channels' detector mean squares
        float detector;               // linked detector level after the detector gain
        float levelDb;                // envelope level
        float thresholdDb;            // effective threshold
        float smoothedRatio;          // as the ratio control glides, before engine scaling
        float ratio;                  // effective ratio, at least 1
        float attackMs;               // smoothed attack setting, before engine scaling
        float engineReleaseMs;        // smoothed release times the engine's release scale
        float previousGainReductionDb;
    };

    struct Output
    {
        float kneeDb;
        float targetReductionDb;
        float releaseCoefficient;
    };

    void prepare (double sampleRate);
    void reset();

    Output process (Kind kind, const Input& input);

    float getDrive() const { return drive; }
    float getTransientHold() const { return transientHold; }
    float getPush() const { return push; }
    float getHoldCounter() const { return holdCounter; }

private:
    float onePole (double seconds) const;

    double sampleRate = 44100.0;

    float ninetyNineDriveRise = 0.0f, ninetyNineTransientDecay = 0.0f, ninetyNinePushRise = 0.0f,
          ninetyNinePushFall = 0.0f;
    float allInDriveRise = 0.0f, allInTransientDecay = 0.0f, allInPushRise = 0.0f, allInPushFall = 0.0f;

    float drive = 0.0f;
    float transientHold = 0.0f;
    float push = 0.0f;
    float holdCounter = 0.0f; // samples, kept as float like the other states
    float previousDetector = 0.0f;
};
} // namespace reference
