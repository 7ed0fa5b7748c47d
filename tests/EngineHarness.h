#pragma once

#include "dsp/FourEngineCompressor.h"

// Drives FourEngineCompressor directly, without the processor or a host.
namespace EngineHarness
{
constexpr double sampleRate = 48000.0;

ParameterSnapshot snapshotWith (float thresholdDb, float ratio, int ratioMode = 0);

void prepare (FourEngineCompressor& engine, const ParameterSnapshot& snapshot, int numChannels = 2,
              int blockSize = 512, double rate = sampleRate);

// Runs the buffer through the engine in place, in sub-blocks of at most blockSize samples.
void process (FourEngineCompressor& engine, juce::AudioBuffer<float>& buffer, const ParameterSnapshot& snapshot,
              int blockSize = 512);

// A constant level: the peak detector sees exactly this value on every sample.
juce::AudioBuffer<float> makeConstant (int numChannels, int numSamples, float level);

float gainDb (const FourEngineCompressor& engine);
} // namespace EngineHarness
