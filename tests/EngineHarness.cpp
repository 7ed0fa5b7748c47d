#include "EngineHarness.h"

namespace EngineHarness
{
ParameterSnapshot snapshotWith (float thresholdDb, float ratio, int ratioMode)
{
    ParameterSnapshot snapshot;
    snapshot.thresholdDb = thresholdDb;
    snapshot.ratio = ratio;
    snapshot.ratioMode = ratioMode;
    return snapshot;
}

void prepare (FourEngineCompressor& engine, const ParameterSnapshot& snapshot, int numChannels, int blockSize,
              double rate)
{
    engine.prepare (rate, blockSize, numChannels, snapshot);
}

void process (FourEngineCompressor& engine, juce::AudioBuffer<float>& buffer, const ParameterSnapshot& snapshot,
              int blockSize)
{
    for (int start = 0; start < buffer.getNumSamples(); start += blockSize)
    {
        const int n = std::min (blockSize, buffer.getNumSamples() - start);
        juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start, n);
        engine.processSubBlock (view, buffer.getNumChannels(), n, snapshot);
    }
}

juce::AudioBuffer<float> makeConstant (int numChannels, int numSamples, float level)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);
    for (int ch = 0; ch < numChannels; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), level, numSamples);
    return buffer;
}

float gainDb (const FourEngineCompressor& engine)
{
    return 20.0f * std::log10 (engine.getChannelState (0).gain);
}
} // namespace EngineHarness
