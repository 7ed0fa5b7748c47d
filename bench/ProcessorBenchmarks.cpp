#include "BlockLoop.h"

#include "PluginProcessor.h"

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = BlockLoop::blockSize;

// The processor as a host drives it. arg 0: full-scale noise in every block. arg 1: one block of
// that noise, then a second of silence, over and over; in the silence the filters' and envelopes'
// tails decay through the subnormal range, which costs many times more unless denormals are
// flushed. The two figures should be close.
void processorOnNoiseAndSilence (benchmark::State& state)
{
    constexpr int silentBlocks = 93;
    const bool silence = state.range (0) != 0;

    TamberAudioProcessor processor;
    processor.prepareToPlay (sampleRate, blockSize);
    juce::AudioBuffer<float> noise (2, blockSize), block (2, blockSize);
    juce::Random random (7);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < blockSize; ++i)
            noise.setSample (ch, i, 2.0f * random.nextFloat() - 1.0f);
    juce::MidiBuffer midi;
    int blockIndex = 0;

    for (auto _ : state)
    {
        if (silence && blockIndex++ % (silentBlocks + 1) != 0)
            block.clear();
        else
            block.makeCopyOf (noise, true);
        processor.processBlock (block, midi);
        benchmark::DoNotOptimize (block.getReadPointer (0)[0]);
    }
    BlockLoop::reportPerSample (state);
}
BENCHMARK (processorOnNoiseAndSilence)->ArgName ("silence")->Arg (0)->Arg (1);
} // namespace
