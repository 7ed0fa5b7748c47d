#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "dsp/FourEngineCompressor.h"
#include "dsp/ParameterSnapshot.h"

#include <atomic>

class TamberAudioProcessor final : public juce::AudioProcessor
{
public:
    TamberAudioProcessor();
    ~TamberAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;

    using AudioProcessor::processBlock;
    using AudioProcessor::processBlockBypassed;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;

    double getTailLengthSeconds() const override;

    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    // Replaces the whole state with a document's tree (a restored blob, a factory preset or a
    // preset file). Returns false, changing nothing, when the tree is not a state tree. Message
    // thread, or the thread the host restores state on.
    bool applyState (juce::ValueTree newState);

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    // Audio thread, once per callback; also seeds the smoothers in prepareToPlay.
    ParameterSnapshot gatherParameters() const;

    juce::AudioProcessorValueTreeState valueTreeState;

private:
    void processInternal (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi, bool bypassed);
    void refreshHostTempo();
    void delayInputForBypass (juce::AudioBuffer<float>& view, int numChannels, float* delayedPeaks);
    void publishMeters (float inputLeft, float inputRight, float outputLeft, float outputRight,
                        float reductionLeft, float reductionRight);
    float readParameter (const std::atomic<float>* raw, float defaultValue) const;

    FourEngineCompressor compressor;

    juce::AudioBuffer<float> bypassDelayBuffer;
    juce::AudioBuffer<float> bypassDelayedInput;
    int bypassDelayWritePos = 0;

public:
    // Written by the audio thread once per callback, read by the editor's timer; relaxed
    // ordering, since no value guards another.
    std::atomic<float> meterInputLeftDb { -60.0f };
    std::atomic<float> meterInputRightDb { -60.0f };
    std::atomic<float> meterOutputLeftDb { -60.0f };
    std::atomic<float> meterOutputRightDb { -60.0f };
    std::atomic<float> meterGainReductionLeftDb { 0.0f };
    std::atomic<float> meterGainReductionRightDb { 0.0f };

private:
    float hostBpm = 120.0f; // audio thread only

public:
    std::atomic<int> meterChannelCount { 2 };

private:
    int processingBlockSize = 1;
    bool isPrepared = false;

    std::atomic<float>* detectorParam = nullptr;
    std::atomic<float>* syncParam = nullptr;
    std::atomic<float>* wideParam = nullptr;
    std::atomic<float>* thresholdParam = nullptr;
    std::atomic<float>* attackParam = nullptr;
    std::atomic<float>* releaseParam = nullptr;
    std::atomic<float>* ratioParam = nullptr;
    std::atomic<float>* mixParam = nullptr;
    std::atomic<float>* makeupParam = nullptr;
    std::atomic<float>* harmParam = nullptr;
    std::atomic<float>* autoMakeupParam = nullptr;
    std::atomic<float>* sidechainHpParam = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TamberAudioProcessor)
};
