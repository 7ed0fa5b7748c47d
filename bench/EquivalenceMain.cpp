#include "BenchMaterial.h"
#include "ChainSettings.h"

#include "dsp/FourEngineCompressor.h"
#include "reference/FourEngineCompressor.h"

#include <cstdio>
#include <exception>

// tollovane_equivalence [--material=NAME=PATH]...: the largest per-sample difference between the
// optimised engine and the plain one in tests/reference, over whole files, for every engine with
// the benchmark settings, running at 44.1, 48 and 96 kHz (the same samples taken at each rate).
namespace
{
constexpr double rates[] = { 44100.0, 48000.0, 96000.0 };
constexpr int blockSize = 512;

template <typename Engine>
juce::AudioBuffer<float> render (const juce::AudioBuffer<float>& input, double rate, const ParameterSnapshot& snapshot)
{
    juce::ScopedNoDenormals noDenormals; // as on the audio thread
    Engine engine;
    engine.prepare (rate, blockSize, 2, snapshot);
    auto output = input;
    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const int n = std::min (blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> view (output.getArrayOfWritePointers(), 2, start, n);
        engine.processSubBlock (view, 2, n, snapshot);
    }
    return output;
}

double largestDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    double largest = 0.0;
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < a.getNumSamples(); ++i)
            largest = std::max (largest, std::abs ((double) a.getSample (ch, i) - (double) b.getSample (ch, i)));
    return largest;
}
} // namespace

int main (int argc, char** argv)
{
    try
    {
        const auto materials = BenchMaterial::fromArguments (argc, argv);
        std::printf ("%-10s %-14s %10s %14s %12s\n", "material", "engine", "rate", "max |diff|", "peak out");
        for (const auto& material : materials)
        {
            for (const auto& engine : ChainSettings::engines)
            {
                const auto snapshot = ChainSettings::snapshotFor (engine.ratioStep);
                for (const double rate : rates)
                {
                    const auto optimised = render<FourEngineCompressor> (material.audio, rate, snapshot);
                    const auto plain = render<reference::FourEngineCompressor> (material.audio, rate, snapshot);
                    std::printf ("%-10s %-14s %10.0f %14.3g %12.3f\n", material.name.c_str(), engine.name, rate,
                                 largestDifference (optimised, plain), plain.getMagnitude (0, plain.getNumSamples()));
                }
            }
        }
    }
    catch (const std::exception& e)
    {
        std::fprintf (stderr, "tollovane_equivalence: %s\n", e.what());
        return 1;
    }
    return 0;
}
