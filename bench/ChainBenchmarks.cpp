#include "ChainBenchmarks.h"

#include "BlockLoop.h"
#include "ChainSettings.h"

#include "dsp/FourEngineCompressor.h"
#include "reference/FourEngineCompressor.h"

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
        }
    }
}
