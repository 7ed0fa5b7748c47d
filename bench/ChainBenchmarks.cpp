#include "ChainBenchmarks.h"

#include "BlockLoop.h"
#include "ChainSettings.h"

#include "dsp/FourEngineCompressor.h"
#include "reference/FourEngineCompressor.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <numeric>

namespace
{
template <typename Engine>
void wholeChain (benchmark::State& state, const BenchMaterial* material, int ratioStep)
{
    juce::ScopedNoDenormals noDenormals; // as on the audio thread
    const auto snapshot = ChainSettings::snapshotFor (ratioStep);
    Engine engine;
    engine.prepare (material->sampleRate, BlockLoop::blockSize, 2, snapshot);
    BlockLoop::run (state, material->audio, [&] (juce::AudioBuffer<float>& block)
                    { engine.processSubBlock (block, 2, BlockLoop::blockSize, snapshot); });
}

// The thread's CPU time, so that another process taking the core does not count as a slow block.
double threadNanoseconds()
{
    timespec now {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return 1.0e9 * (double) now.tv_sec + (double) now.tv_nsec;
}

constexpr int spreadPasses = 5;

int blocksPerPass (const BenchMaterial& material)
{
    return material.audio.getNumSamples() / BlockLoop::blockSize;
}

// Every block timed on its own from the first after prepare, over several passes through the
// material, in ns per stereo sample: how far the slowest strays from the mean. A block that is
// slow in every pass is slow because of what it holds; one that is slow in a single pass was
// disturbed from outside (the machine, the hypervisor), so each position's fastest pass shows
// the first kind alone.
void blockSpread (benchmark::State& state, const BenchMaterial* material, int ratioStep)
{
    juce::ScopedNoDenormals noDenormals;
    const auto snapshot = ChainSettings::snapshotFor (ratioStep);
    FourEngineCompressor engine;
    engine.prepare (material->sampleRate, BlockLoop::blockSize, 2, snapshot);

    const auto positions = (size_t) blocksPerPass (*material);
    std::vector<double> perSample, fastestAtPosition (positions, std::numeric_limits<double>::max());
    perSample.reserve ((size_t) state.max_iterations);
    BlockLoop::run (state, material->audio, [&] (juce::AudioBuffer<float>& block)
    {
        const double start = threadNanoseconds();
        engine.processSubBlock (block, 2, BlockLoop::blockSize, snapshot);
        const double nanoseconds = (threadNanoseconds() - start) / BlockLoop::blockSize;
        auto& fastest = fastestAtPosition[perSample.size() % positions];
        fastest = std::min (fastest, nanoseconds);
        perSample.push_back (nanoseconds);
    });

    const auto meanOf = [] (const std::vector<double>& v) { return std::accumulate (v.begin(), v.end(), 0.0) / (double) v.size(); };
    const double mean = meanOf (perSample);
    const double first = perSample.front(); // caches and pages still cold
    const double slowest = *std::max_element (perSample.begin(), perSample.end());
    const double slowestPosition = *std::max_element (fastestAtPosition.begin(), fastestAtPosition.end());
    std::sort (perSample.begin(), perSample.end());
    const auto quantile = [&] (double q) { return perSample[(size_t) (q * (double) (perSample.size() - 1))]; };
    state.counters["mean"] = mean;
    state.counters["p50"] = quantile (0.5);
    state.counters["p99"] = quantile (0.99);
    state.counters["p99.9"] = quantile (0.999);
    state.counters["first"] = first;
    state.counters["max"] = slowest;
    state.counters["max_over_mean"] = slowest / mean;
    state.counters["slowest_position_over_mean"] = slowestPosition / meanOf (fastestAtPosition);
}
} // namespace

void registerChainBenchmarks (const std::vector<BenchMaterial>& materials)
{
    for (const auto& material : materials)
    {
        for (const auto& engine : ChainSettings::engines)
        {
            const auto suffix = material.name + "/" + engine.name;
            benchmark::RegisterBenchmark (("wholeChain<reference>/" + suffix).c_str(),
                                          wholeChain<reference::FourEngineCompressor>, &material, engine.ratioStep);
            benchmark::RegisterBenchmark (("wholeChain/" + suffix).c_str(), wholeChain<FourEngineCompressor>, &material,
                                          engine.ratioStep);
            benchmark::RegisterBenchmark (("blockSpread/" + suffix).c_str(), blockSpread, &material, engine.ratioStep)
                ->Iterations (spreadPasses * blocksPerPass (material));
        }
    }
}
