#include "FuzzTargets.h"

#include <juce_core/juce_core.h>

#include <gtest/gtest.h>

// Every seed and every input that ever crashed a fuzz target, run through the same checks in the
// ordinary build: a regression aborts the test binary.
namespace
{
struct Target
{
    const char* name;
    void (*check) (const std::uint8_t*, std::size_t);
};

const Target targets[] = {
    { "fuzz_state", FuzzTargets::restoreState },
    { "fuzz_preset_file", FuzzTargets::loadPresetFile },
    { "fuzz_resources", FuzzTargets::lookUpResources },
};
} // namespace

TEST (FuzzReplay, SeedsAndRegressionsPassEveryCheck)
{
    const juce::File fuzzFolder (TOLLOVANE_FUZZ_DIR);
    for (const auto& target : targets)
    {
        int replayed = 0;
        for (const auto* kind : { "corpus", "regressions" })
        {
            for (const auto& file : fuzzFolder.getChildFile (kind).getChildFile (target.name)
                                        .findChildFiles (juce::File::findFiles, false))
            {
                juce::MemoryBlock data;
                ASSERT_TRUE (file.loadFileAsData (data)) << file.getFullPathName();
                target.check (static_cast<const std::uint8_t*> (data.getData()), data.getSize());
                ++replayed;
            }
        }
        EXPECT_GT (replayed, 0) << "no seeds for " << target.name;
    }
}
