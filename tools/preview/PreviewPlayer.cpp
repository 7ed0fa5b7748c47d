#include "PreviewPlayer.h"

PreviewPlayer::PreviewPlayer (TamberAudioProcessor& processorToPlay, juce::AudioBuffer<float> programme,
                              double rate, int blockSize)
    : juce::Thread ("Preview audio"),
      processor (processorToPlay),
      loop (std::move (programme)),
      block (loop.getNumChannels(), blockSize),
      sampleRate (rate)
{
}

PreviewPlayer::~PreviewPlayer()
{
    stopThread (1000);
}

void PreviewPlayer::start()
{
    startThread (juce::Thread::Priority::high);
}

void PreviewPlayer::run()
{
    const double blockMs = 1000.0 * block.getNumSamples() / sampleRate;
    auto due = juce::Time::getMillisecondCounterHiRes();

    while (! threadShouldExit())
    {
        processNextBlock();

        due += blockMs;
        const auto remainingMs = due - juce::Time::getMillisecondCounterHiRes();
        if (remainingMs > 0.0)
            wait (juce::roundToInt (remainingMs));
    }
}

void PreviewPlayer::processNextBlock()
{
    for (int i = 0; i < block.getNumSamples(); ++i)
    {
        for (int ch = 0; ch < block.getNumChannels(); ++ch)
            block.setSample (ch, i, loop.getSample (ch, position));
        position = (position + 1) % loop.getNumSamples();
    }

    processor.processBlock (block, midi);
}
