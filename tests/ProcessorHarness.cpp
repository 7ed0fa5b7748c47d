#include "ProcessorHarness.h"

namespace ProcessorHarness
{
void prepare (TamberAudioProcessor& processor, double sampleRate, int blockSize, int numChannels)
{
    const auto set = numChannels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (set);
    layout.outputBuses.add (set);
    processor.setBusesLayout (layout);
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);
}

void setParameter (TamberAudioProcessor& processor, const juce::String& id, float value)
{
    auto* parameter = processor.valueTreeState.getParameter (id);
    jassert (parameter != nullptr);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

void process (TamberAudioProcessor& processor, juce::AudioBuffer<float>& buffer, int hostBlockSize, bool bypassed)
{
    juce::MidiBuffer midi;
    for (int start = 0; start < buffer.getNumSamples(); start += hostBlockSize)
    {
        const int n = std::min (hostBlockSize, buffer.getNumSamples() - start);
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start, n);
        if (bypassed)
            processor.processBlockBypassed (block, midi);
        else
            processor.processBlock (block, midi);
    }
}

bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        if (std::memcmp (a.getReadPointer (ch), b.getReadPointer (ch), sizeof (float) * (size_t) a.getNumSamples()) != 0)
            return false;
    return true;
}

juce::AudioBuffer<float> makeSine (int numChannels, int numSamples, double sampleRate, double hz, float amplitude)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);
    for (int i = 0; i < numSamples; ++i)
    {
        const auto x = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * hz * i / sampleRate);
        for (int ch = 0; ch < numChannels; ++ch)
            buffer.setSample (ch, i, x);
    }
    return buffer;
}

juce::AudioBuffer<float> makeProgramme (int numChannels, int numSamples, double sampleRate, int seed)
{
    juce::AudioBuffer<float> buffer (numChannels, numSamples);
    buffer.clear();
    juce::Random random (seed);
    const int silence = std::min (numSamples, (int) (0.01 * sampleRate));
    const int burst = (int) (0.05 * sampleRate);

    for (int i = silence; i < numSamples; ++i)
    {
        // 50 ms bursts alternating between loud and quiet, over a steady 220 Hz tone.
        const bool loud = ((i - silence) / burst) % 2 == 0;
        const float tone = 0.2f * (float) std::sin (juce::MathConstants<double>::twoPi * 220.0 * i / sampleRate);
        for (int ch = 0; ch < numChannels; ++ch)
        {
            const float noise = (random.nextFloat() * 2.0f - 1.0f) * (loud ? 0.7f : 0.05f);
            buffer.setSample (ch, i, tone + noise);
        }
    }
    return buffer;
}
} // namespace ProcessorHarness
