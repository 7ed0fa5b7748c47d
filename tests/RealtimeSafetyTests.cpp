#include "AllocationCounter.h"
#include "LockCounter.h"
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace ProcessorHarness;

namespace
{
struct Settings
{
    const char* name;
    std::vector<std::pair<const char*, float>> parameters;
};

const Settings settingsGrid[] = {
    { "UnityRatio", { { "ratio", 0.0f } } },
    { "StandardPeak", { { "ratio", 4.0f }, { "threshold", -30.0f } } },
    { "StandardRmsAutoRelease", { { "ratio", 8.0f }, { "detector", 1.0f }, { "release", 7.0f } } },
    { "TempoRelease", { { "ratio", 5.0f }, { "sync", 1.0f }, { "release", 2.0f } } },
    { "NinetyNineWithSidechain", { { "ratio", 9.0f }, { "sidechainHp", 150.0f }, { "harm", 100.0f } } },
    { "AllInAutoMakeup", { { "ratio", 10.0f }, { "autoMakeup", 1.0f }, { "wide", 100.0f }, { "mix", 60.0f } } },
};
} // namespace

TEST (RealtimeSafety, ProcessingNeverAllocatesOrLocks)
{
    if (! AllocationCounter::isAvailable())
        GTEST_SKIP() << "this build's sanitizer supplies operator new and the lock functions";

    for (const int channels : { 1, 2 })
    {
        for (const auto& settings : settingsGrid)
        {
            SCOPED_TRACE (testing::Message() << settings.name << ", " << channels << " channel(s)");
            TamberAudioProcessor processor;
            for (const auto& [id, value] : settings.parameters)
                setParameter (processor, id, value);
            prepare (processor, 48000.0, 256, channels);

            auto programme = makeProgramme (channels, 48000, 48000.0);
            juce::MidiBuffer midi;
            std::size_t allocations = 0, locks = 0;

            // Host blocks of varying size, some larger than the prepared 256, some bypassed; the
            // threshold moves between blocks so the smoothers and coefficient caches work too.
            const int blockSizes[] = { 256, 1000, 1, 64, 513 };
            for (int start = 0, b = 0; start < programme.getNumSamples(); ++b)
            {
                const int n = std::min (blockSizes[b % 5], programme.getNumSamples() - start);
                juce::AudioBuffer<float> block (programme.getArrayOfWritePointers(), channels, start, n);
                setParameter (processor, "threshold", b % 2 == 0 ? -30.0f : -10.0f);

                AllocationCounter allocationCounter;
                LockCounter lockCounter;
                if (b % 7 == 3)
                    processor.processBlockBypassed (block, midi);
                else
                    processor.processBlock (block, midi);
                allocations += allocationCounter.getCount();
                locks += lockCounter.getCount();
                start += n;
            }

            EXPECT_EQ (allocations, 0u);
            EXPECT_EQ (locks, 0u);
        }
    }
}

TEST (RealtimeSafety, TheCountersSeeAllocationsAndLocks)
{
    if (! AllocationCounter::isAvailable())
        GTEST_SKIP() << "this build's sanitizer supplies operator new and the lock functions";

    AllocationCounter allocations;
    auto vector = std::make_unique<std::vector<int>> (100);
    EXPECT_GE (allocations.getCount(), 2u);

    LockCounter locks;
    std::mutex mutex;
    const std::lock_guard<std::mutex> guard (mutex);
    juce::CriticalSection section;
    const juce::ScopedLock scopedLock (section);
    EXPECT_EQ (locks.getCount(), 2u);
}
