#include "LoopedAudioSource.h"

LoopedAudioSource::LoopedAudioSource (const juce::AudioBuffer<float>& loopToPlay, juce::int64 length)
    : loop (loopToPlay), totalLength (length)
{
}

void LoopedAudioSource::getNextAudioBlock (const juce::AudioSourceChannelInfo& info)
{
    const int loopLength = loop.getNumSamples();
    int written = 0;
    while (written < info.numSamples)
    {
        const int offset = (int) (position % loopLength);
        const int n = std::min (info.numSamples - written, loopLength - offset);
        for (int ch = 0; ch < info.buffer->getNumChannels(); ++ch)
            info.buffer->copyFrom (ch, info.startSample + written, loop, ch % loop.getNumChannels(), offset, n);
        written += n;
        position += n;
    }
}
