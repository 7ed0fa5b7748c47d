#pragma once

#include "PluginProcessor.h"

#include <juce_core/juce_core.h>

// Plays a looped buffer through the processor on a thread of its own, paced by the wall clock,
// the way a host's audio thread calls processBlock.
class PreviewPlayer : private juce::Thread
{
public:
    PreviewPlayer (TamberAudioProcessor& processorToPlay, juce::AudioBuffer<float> programme, double sampleRate, int blockSize);
    ~PreviewPlayer() override;

    void start();

private:
    void run() override;
    void processNextBlock();

    TamberAudioProcessor& processor;
    const juce::AudioBuffer<float> loop;
    juce::AudioBuffer<float> block;
    juce::MidiBuffer midi;
    const double sampleRate;
    int position = 0;
};
