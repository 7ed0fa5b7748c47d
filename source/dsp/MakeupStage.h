#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// Restores level after compression: the manual makeup gain, or an automatic gain derived from
// threshold, ratio and engine that is pulled back whenever the held wet peak plus that gain would
// pass -1.5 dBFS. Switching between the two crossfades over 1 ms.
class MakeupStage
{
public:
    struct Settings
    {
        float thresholdDb;        // smoothed, before the engine's offset
        float ratio;              // smoothed, before the engine's scale
        float makeupDb;           // smoothed manual makeup
        float unsmoothedRatio;    // the snapshot's ratio: unity disables the automatic target
        float thresholdOffsetDb;  // of the engine model
        float ratioScale;         // of the engine model
        int ratioMode;            // 0 standard, 1 "99:1", 2 "ALL IN"
        bool autoMakeup;
    };

    void prepare (double sampleRate, bool autoMakeupOn);
    void reset();

    void process (juce::AudioBuffer<float>& wet, int numChannels, int numSamples, const Settings& settings);

    static float automaticTargetDb (const Settings& settings);

    float getAutoMakeupDb() const { return autoMakeupDb; }
    float getProtectionDb() const { return protectionDb; }
    float getOutputPeakHold() const { return outputPeakHold; }

private:
    void updatePeakHold (float peak);
    void updateProtection (float holdDb);
    static float holdLevelDb (float hold);

    float outputPeakHold = 0.0f;
    float protectionDb = 0.0f;
    float autoMakeupDb = 0.0f;
    float peakHoldDecay = 0.0f;
    float autoMakeupCoefficient = 0.0f;
    float protectionAttack = 0.0f;
    float protectionRelease = 0.0f;
    int peakHoldCounter = 0;
    int peakHoldSamples = 1;
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> autoMakeupBlend;
    bool autoMakeupAtReset = false;
};
