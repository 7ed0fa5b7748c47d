#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include "dsp/TruePeakDetector.h"

#include <array>
#include <vector>

// The straightforward implementation, kept unchanged as the oracle that the optimised engine in
// source/dsp is tested against.
namespace reference
{
// Stereo-linked lookahead limiter with a -1 dBFS ceiling on the inter-sample peak and a hard
// -0.5 dBFS safety clamp. Its gain reduction is blended in with the automatic-makeup switch; the
// lookahead delay always runs, so the latency never depends on the switch.
class TruePeakLimiter
{
public:
    static constexpr int filterLength = 129; // taps -64..+64
    static constexpr int phases = 8;
    static constexpr double ceiling = 0.8912509381337456; // -1 dBFS
    static constexpr float safetyCeiling = 0.94406086f;   // -0.5 dBFS

    TruePeakLimiter();

    void prepare (double sampleRate, bool autoMakeupOn);
    void reset();

    void process (juce::AudioBuffer<float>& buffer, int numChannels, int numSamples, bool autoMakeupOn);

    int getLookaheadSamples() const { return lookaheadSamples; }
    int getLatencySamples() const { return limiterLatency; }
    double getTruePeakTrigger() const { return truePeakTrigger; }
    float getGain() const { return limiterGain; }

private:
    void buildInterpolationTable();
    double interpolatedPeak (int numChannels) const;
    void rampAhead (int readSlot, float targetGain);
    void advanceGainEnvelope (int readSlot);

    ::TruePeakDetector::Table truePeakTable {};
    double truePeakTrigger = ceiling;

    // Each sample is written twice (at k and k + filterLength) so a window is always contiguous.
    std::array<std::array<float, 2 * filterLength>, 2> truePeakHistory {};
    int historyWritePos = 0;

    std::array<std::vector<float>, 2> lookaheadDelay;
    std::vector<float> lookaheadGain;
    int delayWritePos = 0;

    int lookaheadSamples = 1;
    int limiterLatency = 65;
    int delayLength = 66;

    float limiterGain = 1.0f;
    float limiterRelease = 0.0f;
    int limiterHoldSamples = 1;
    int limiterHoldCounter = 0;
    int truePeakCountdown = 0;

    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> limiterBlend;
    bool limiterBlendAtReset = false;
};
} // namespace reference
