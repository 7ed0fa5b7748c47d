#include "ProcessorHarness.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace ProcessorHarness;

// The threads a host runs at once: its audio thread processing, another saving and restoring the
// state, and the message thread moving parameters the way the editor's controls do and opening and
// closing the editor. Run under ThreadSanitizer by scripts/run-sanitizers.sh; in the ordinary
// build it checks that nothing breaks or produces non-finite audio.
TEST (Threading, AudioStateAndEditorThreadsTogether)
{
    TamberAudioProcessor processor;
    setParameter (processor, "autoMakeup", 1.0f);
    prepare (processor, 48000.0, 256);

    std::atomic<bool> running { true };
    std::atomic<bool> sawNonFinite { false };

    std::thread audio ([&]
    {
        auto programme = makeProgramme (2, 48000, 48000.0);
        juce::MidiBuffer midi;
        for (int block = 0; running.load(); ++block)
        {
            const int start = (block * 256) % (programme.getNumSamples() - 256);
            auto input = programme;
            juce::AudioBuffer<float> view (input.getArrayOfWritePointers(), 2, start, 256);
            if (block % 9 == 4)
                processor.processBlockBypassed (view, midi);
            else
                processor.processBlock (view, midi);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 256; ++i)
                    if (! std::isfinite (view.getSample (ch, i)))
                        sawNonFinite = true;
        }
    });

    std::thread state ([&]
    {
        juce::MemoryBlock saved;
        processor.getStateInformation (saved);
        while (running.load())
        {
            juce::MemoryBlock current;
            processor.getStateInformation (current);
            processor.setStateInformation (saved.getData(), (int) saved.getSize());
            saved = current;
        }
    });

    // The message thread: knobs bound through attachments, and the editor opened and closed.
    for (int round = 0; round < 20; ++round)
    {
        juce::Slider threshold, ratio;
        juce::AudioProcessorValueTreeState::SliderAttachment thresholdAttachment (processor.valueTreeState, "threshold", threshold);
        juce::AudioProcessorValueTreeState::SliderAttachment ratioAttachment (processor.valueTreeState, "ratio", ratio);
        for (int step = 0; step < 50; ++step)
        {
            threshold.setValue (-36.0 + (step * 7) % 46);
            ratio.setValue ((double) (step % 11));
        }

        const std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    }

    running = false;
    audio.join();
    state.join();
    EXPECT_FALSE (sawNonFinite.load());
}
