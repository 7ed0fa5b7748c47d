#include "PluginProcessor.h"
#include "dsp/FourEngineCompressor.h"

#include <juce_events/juce_events.h>

#include <malloc.h>

#include <cstdio>
#include <memory>

// tollovane_memory: what one instance holds once prepared for stereo 512-sample blocks, per sample
// rate: the whole plug-in (parameters, state and engine) and the engine alone, heap and object.
// The heap is glibc's count of bytes in use, so it includes the allocator's own few bytes per block.
namespace
{
constexpr double rates[] = { 44100.0, 48000.0, 96000.0, 192000.0 };
constexpr int blockSize = 512;

long long heapInUse()
{
    const auto info = mallinfo2();
    return (long long) (info.uordblks + info.hblkhd);
}

void prepareStereo (TamberAudioProcessor& processor, double rate)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    processor.setBusesLayout (layout);
    processor.setRateAndBufferSizeDetails (rate, blockSize);
    processor.prepareToPlay (rate, blockSize);
}

long long pluginBytes (double rate)
{
    const auto before = heapInUse();
    auto processor = std::make_unique<TamberAudioProcessor>();
    prepareStereo (*processor, rate);
    return heapInUse() - before;
}

long long engineBytes (double rate)
{
    const auto before = heapInUse();
    auto engine = std::make_unique<FourEngineCompressor>();
    engine->prepare (rate, blockSize, 2, ParameterSnapshot {});
    return heapInUse() - before;
}
} // namespace

int main()
{
    const juce::ScopedJuceInitialiser_GUI juce;

    // The first instance also creates what all instances share (JUCE's singletons and caches).
    pluginBytes (48000.0);

    std::printf ("%10s %14s %14s   (sizeof FourEngineCompressor: %zu bytes)\n", "rate", "plug-in KiB", "engine KiB",
                 sizeof (FourEngineCompressor));
    for (const double rate : rates)
        std::printf ("%10.0f %14.1f %14.1f\n", rate, (double) pluginBytes (rate) / 1024.0,
                     (double) engineBytes (rate) / 1024.0);
    return 0;
}
