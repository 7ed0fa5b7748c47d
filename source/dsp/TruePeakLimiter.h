#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include "TruePeakDetector.h"

#include <vector>

// Stereo-linked lookahead limiter with a -1 dBFS ceiling on the inter-sample peak and a hard
// -0.5 dBFS safety clamp. Its gain reduction is blended in with the automatic-makeup switch; the
// lookahead delay always runs, so the latency never depends on the switch.
class TruePeakLimiter
{
public:
    static constexpr int filterLength = TruePeakDetector::filterLength; // taps -64..+64
    static constexpr int phases = TruePeakDetector::phases;
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

    void setSimdLevel (SimdLevel level) { detector.setSimdLevel (level); }
    const TruePeakDetector& getDetector() const { return detector; }

private:
    void processChunk (juce::AudioBuffer<float>& buffer, int offset, int numChannels, int numSamples);
    void readChunk (const juce::AudioBuffer<float>& buffer, int offset, int numChannels, int numSamples);
    void rampAhead (int readSlot, float targetGain);
    void advanceGainEnvelope (int readSlot);

    TruePeakDetector detector;
    double truePeakTrigger = ceiling;

    std::array<std::vector<float>, 2> lookaheadDelay;
    std::vector<float> lookaheadGain;
    std::vector<float> rampPositions; // t = min(j / (L - 2), 1) for j = 0..L + 2
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
