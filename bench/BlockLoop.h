#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <benchmark/benchmark.h>

// The loop every benchmark shares: one 512-sample stereo block of the material per iteration,
// wrapping around at its end, reported as time per stereo sample ("per_sample").
namespace BlockLoop
{
constexpr int blockSize = 512;

// Time per stereo sample, for a benchmark that processes one block per iteration.
inline void reportPerSample (benchmark::State& state)
{
    state.counters["per_sample"] = benchmark::Counter ((double) blockSize,
                                                       benchmark::Counter::kIsIterationInvariantRate
                                                           | benchmark::Counter::kInvert);
}

template <typename ProcessBlock>
void run (benchmark::State& state, const juce::AudioBuffer<float>& material, ProcessBlock&& processBlock)
{
    juce::AudioBuffer<float> block (2, blockSize);
    int position = 0;

    for (auto _ : state)
    {
        if (position + blockSize > material.getNumSamples())
            position = 0;
        for (int ch = 0; ch < 2; ++ch)
            block.copyFrom (ch, 0, material, ch, position, blockSize);
        processBlock (block);
        benchmark::DoNotOptimize (block.getReadPointer (0)[0]);
        benchmark::ClobberMemory();
        position += blockSize;
    }

    reportPerSample (state);
}
} // namespace BlockLoop
