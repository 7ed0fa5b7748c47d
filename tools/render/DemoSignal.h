#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// A deterministic stereo demo of about ten seconds at 120 BPM: drums, bass and a chord pad, with a
// quiet intro, a build and a loud chorus, so a compressor has real dynamics to work on.
class DemoSignal
{
public:
    static constexpr double bpm = 120.0;
    static constexpr int bars = 5;

    static juce::AudioBuffer<float> render (double sampleRate);
};
