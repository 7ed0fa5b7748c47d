#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <string>
#include <vector>

// Stereo programme for the benchmarks: the built-in demo, or audio files named on the command line
// as --material=NAME=PATH (the benchmark script generates a drum loop and a music piece).
class BenchMaterial
{
public:
    std::string name;
    double sampleRate = 48000.0;
    juce::AudioBuffer<float> audio;

    static BenchMaterial demo (double sampleRate);

    // Reads a WAV, AIFF or FLAC file as two channels (a mono file feeds both); throws
    // std::runtime_error when it cannot be read.
    static BenchMaterial fromFile (const std::string& name, const std::string& path);

    // Pulls every --material=NAME=PATH out of argv (so that the benchmark library does not see
    // them) and reads the files; the demo when there are none.
    static std::vector<BenchMaterial> fromArguments (int& argc, char** argv);
};
