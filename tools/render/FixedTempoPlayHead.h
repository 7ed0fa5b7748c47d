#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// A play head that reports a fixed tempo while playing, as a host's transport does.
class FixedTempoPlayHead final : public juce::AudioPlayHead
{
public:
    explicit FixedTempoPlayHead (double tempoBpm) : bpm (tempoBpm) {}

    juce::Optional<PositionInfo> getPosition() const override;

private:
    double bpm;
};
