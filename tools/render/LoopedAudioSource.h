#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// Plays a buffer over and over for a given total length, so a short synthesised piece can stand
// in for hours of programme without holding hours of samples.
class LoopedAudioSource final : public juce::PositionableAudioSource
{
public:
    LoopedAudioSource (const juce::AudioBuffer<float>& loop, juce::int64 totalLength);

    void prepareToPlay (int, double) override {}
    void releaseResources() override {}
    void getNextAudioBlock (const juce::AudioSourceChannelInfo& info) override;

    void setNextReadPosition (juce::int64 newPosition) override { position = newPosition; }
    juce::int64 getNextReadPosition() const override { return position; }
    juce::int64 getTotalLength() const override { return totalLength; }
    bool isLooping() const override { return false; }

private:
    const juce::AudioBuffer<float>& loop;
    juce::int64 totalLength;
    juce::int64 position = 0;
};
