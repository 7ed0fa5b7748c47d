#pragma once

#include "PluginProcessor.h"

#include <functional>

// Drives a TamberAudioProcessor the way a host does: buses, rate and block size, then callbacks.
namespace ProcessorHarness
{
void prepare (TamberAudioProcessor& processor, double sampleRate, int blockSize, int numChannels = 2);

void setParameter (TamberAudioProcessor& processor, const juce::String& id, float value);

// Processes the buffer in place in host blocks of the given size.
void process (TamberAudioProcessor& processor, juce::AudioBuffer<float>& buffer, int hostBlockSize,
              bool bypassed = false);

// Bit for bit the same samples, channels and length.
bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b);

juce::AudioBuffer<float> makeSine (int numChannels, int numSamples, double sampleRate, double hz, float amplitude);

// Deterministic programme-like material: noise bursts and a sine, with silence at the start.
juce::AudioBuffer<float> makeProgramme (int numChannels, int numSamples, double sampleRate, int seed = 1);
} // namespace ProcessorHarness
