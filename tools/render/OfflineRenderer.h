#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <optional>
#include <vector>

class TamberAudioProcessor;

// Runs the real processor over a stream in host-sized blocks, the way a host would, and measures
// what came out.
class OfflineRenderer
{
public:
    struct Settings
    {
        int blockSize = 512;
        bool keepLatency = false;          // false: trim the latency and flush the tail
        bool bypass = false;               // render through the host-bypass path
        std::optional<double> bpm;         // tempo reported by the play head; none: no play head

        // Parameters moved linearly from `from` to `to` over the input, set before every host
        // block as a host's automation would.
        struct Ramp
        {
            juce::RangedAudioParameter* parameter;
            float from, to;
        };
        std::vector<Ramp> ramps;
    };

    struct Summary
    {
        float inputPeak = 0.0f;
        float outputPeak = 0.0f;
        float outputTruePeak = 0.0f;
        float largestGainReductionDb = 0.0f;
        int latencySamples = 0;
        juce::int64 numSamples = 0;
        double audioSeconds = 0.0;
        double processingSeconds = 0.0;
    };

    // One processed host block: where its input and its latency-aligned output sit in the file.
    struct BlockReport
    {
        double inputSeconds;
        float inputPeak;
        float gainReductionDb; // the larger of the two published meter values
        double outputSeconds;
        float outputPeak;
        int outputSamples;     // 0 while the latency is still being skipped
    };

    using Consumer = std::function<void (const juce::AudioBuffer<float>& block, int numSamples)>;
    using Progress = std::function<void (double fraction)>;
    using Observer = std::function<void (const BlockReport& report)>;

    OfflineRenderer (TamberAudioProcessor& processor, Settings settings);

    // Reads every sample of input, processes it, and hands the output to consume in order. The
    // output has as many samples as the input unless the latency is kept.
    Summary render (juce::PositionableAudioSource& input, int numChannels, double sampleRate,
                    const Consumer& consume, const Progress& progress = {}, const Observer& observe = {});

private:
    void moveRamps (double proportion);

    TamberAudioProcessor& processor;
    Settings settings;
};
