#include "PluginProcessor.h"

#include "PluginEditor.h"
#include "StateDocument.h"

#include <cmath>

namespace
{
const juce::StringArray detectorChoices { "Peak", "RMS" };
const juce::StringArray releaseModeChoices { "ms", "Tempo" };
const juce::StringArray releaseChoices { "20 ms / 1/128", "50 ms / 1/64",   "100 ms / 1/32",  "300 ms / 1/16",
                                         "600 ms / 1/8",  "1200 ms / 1/4", "2400 ms / 1/2", "AUTO / 1 BAR" };
const juce::StringArray ratioChoices { "1:1", "1.5:1", "2:1",  "3:1",  "4:1",   "6:1",
                                       "8:1", "12:1",  "20:1", "99:1", "ALL IN" };

// "99:1" and "ALL IN" share the ratio 99 and differ only in the engine they select.
constexpr float ratioSteps[] = { 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f, 12.0f, 20.0f, 99.0f, 99.0f };
// Index 7 is AUTO in milliseconds mode; its 2400 ms is used together with the AUTO flag.
constexpr float releaseStepsMs[] = { 20.0f, 50.0f, 100.0f, 300.0f, 600.0f, 1200.0f, 2400.0f, 2400.0f };
// Quarter-note beats, from a 1/128 note to one 4/4 bar.
constexpr float syncedReleaseBeats[] = { 0.03125f, 0.0625f, 0.125f, 0.25f, 0.5f, 1.0f, 2.0f, 4.0f };

constexpr int parameterVersion = 1;
constexpr int latencyBeforePrepare = 4;

namespace defaults
{
constexpr float detector = 0.0f;
constexpr float sync = 0.0f;
constexpr float wide = 0.0f;
constexpr float threshold = -12.0f;
constexpr float attack = 8.0f;
constexpr float release = 3.0f;
constexpr float ratio = 4.0f;
constexpr float mix = 100.0f;
constexpr float makeup = 0.0f;
constexpr float harm = 0.0f;
constexpr float sidechainHp = 0.0f;
} // namespace defaults

juce::ParameterID makeId (const char* id)
{
    return { id, parameterVersion };
}

std::unique_ptr<juce::AudioParameterFloat> makeFloat (const char* id, const char* name, float start, float end,
                                                      float interval, float skew, float defaultValue)
{
    return std::make_unique<juce::AudioParameterFloat> (makeId (id), name,
                                                        juce::NormalisableRange<float> (start, end, interval, skew),
                                                        defaultValue);
}

std::unique_ptr<juce::AudioParameterChoice> makeChoice (const char* id, const char* name,
                                                        const juce::StringArray& choices, int defaultIndex)
{
    return std::make_unique<juce::AudioParameterChoice> (makeId (id), name, choices, defaultIndex);
}

// Clamps to [low, high] the way every field of the snapshot is defined: below low gives low.
float limitTo (float low, float high, float v)
{
    return v < low ? low : std::min (v, high);
}

int nearest (float x)
{
    return (int) std::lround (x);
}

float peakLevelDb (float peak)
{
    return peak > 0.0f ? std::max (20.0f * std::log10 (peak), -60.0f) : -60.0f;
}
} // namespace

TamberAudioProcessor::TamberAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      valueTreeState (*this, nullptr, "PARAMETERS", createParameterLayout())
{
    detectorParam = valueTreeState.getRawParameterValue ("detector");
    syncParam = valueTreeState.getRawParameterValue ("sync");
    wideParam = valueTreeState.getRawParameterValue ("wide");
    thresholdParam = valueTreeState.getRawParameterValue ("threshold");
    attackParam = valueTreeState.getRawParameterValue ("attack");
    releaseParam = valueTreeState.getRawParameterValue ("release");
    ratioParam = valueTreeState.getRawParameterValue ("ratio");
    mixParam = valueTreeState.getRawParameterValue ("mix");
    makeupParam = valueTreeState.getRawParameterValue ("makeup");
    harmParam = valueTreeState.getRawParameterValue ("harm");
    autoMakeupParam = valueTreeState.getRawParameterValue ("autoMakeup");
    sidechainHpParam = valueTreeState.getRawParameterValue ("sidechainHp");

    setLatencySamples (latencyBeforePrepare);
}

TamberAudioProcessor::~TamberAudioProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout TamberAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (makeChoice ("detector", "Detector", detectorChoices, 0));
    layout.add (makeChoice ("sync", "Release Mode", releaseModeChoices, 0));
    layout.add (makeFloat ("wide", "Wide", 0.0f, 100.0f, 0.1f, 1.0f, defaults::wide));
    layout.add (makeFloat ("threshold", "Threshold", -36.0f, 10.0f, 0.1f, 0.5f, defaults::threshold));
    layout.add (makeFloat ("attack", "Attack", 0.05f, 120.0f, 0.01f, 0.22f, defaults::attack));
    layout.add (makeChoice ("release", "Release", releaseChoices, (int) defaults::release));
    layout.add (makeChoice ("ratio", "Ratio", ratioChoices, (int) defaults::ratio));
    layout.add (makeFloat ("mix", "Mix", 0.0f, 100.0f, 0.1f, 1.0f, defaults::mix));
    layout.add (makeFloat ("makeup", "Makeup", -24.0f, 24.0f, 0.1f, 1.0f, defaults::makeup));
    layout.add (makeFloat ("harm", "Harm", 0.0f, 100.0f, 0.1f, 1.0f, defaults::harm));
    layout.add (std::make_unique<juce::AudioParameterBool> (makeId ("autoMakeup"), "Auto Makeup", false));
    layout.add (makeFloat ("sidechainHp", "SC HP", 0.0f, 300.0f, 1.0f, 1.0f, defaults::sidechainHp));
    return layout;
}

float TamberAudioProcessor::readParameter (const std::atomic<float>* raw, float defaultValue) const
{
    if (raw == nullptr)
        return defaultValue;
    const float value = raw->load (std::memory_order_relaxed);
    return std::isfinite (value) ? value : defaultValue;
}

ParameterSnapshot TamberAudioProcessor::gatherParameters() const
{
    ParameterSnapshot snapshot;

    snapshot.thresholdDb = limitTo (-36.0f, 10.0f, readParameter (thresholdParam, defaults::threshold));
    snapshot.attackMs = limitTo (0.05f, 120.0f, readParameter (attackParam, defaults::attack));

    const bool tempoMode = nearest (readParameter (syncParam, defaults::sync)) > 0;
    const int releaseIndex = juce::jlimit (0, 7, nearest (limitTo (0.0f, 7.0f, readParameter (releaseParam, defaults::release))));
    snapshot.releaseMs = tempoMode ? 60000.0f / std::max (hostBpm, 1.0f) * syncedReleaseBeats[releaseIndex]
                                   : releaseStepsMs[releaseIndex];

    const int ratioIndex = juce::jlimit (0, 10, nearest (limitTo (0.0f, 10.0f, readParameter (ratioParam, defaults::ratio))));
    snapshot.ratio = ratioSteps[ratioIndex];

    snapshot.mix = limitTo (0.0f, 100.0f, readParameter (mixParam, defaults::mix)) * 0.01f;
    snapshot.makeupDb = limitTo (-24.0f, 24.0f, readParameter (makeupParam, defaults::makeup));

    const float autoMakeup = autoMakeupParam != nullptr ? autoMakeupParam->load (std::memory_order_relaxed) : 0.0f;
    snapshot.autoMakeup = std::isfinite (autoMakeup) && autoMakeup >= 0.5f;

    snapshot.width = 1.0f + 0.005f * limitTo (0.0f, 100.0f, readParameter (wideParam, defaults::wide));
    snapshot.harmAmount = 0.008f * limitTo (0.0f, 100.0f, readParameter (harmParam, defaults::harm));
    snapshot.sidechainHpHz = limitTo (0.0f, 300.0f, readParameter (sidechainHpParam, defaults::sidechainHp));
    snapshot.ratioMode = ratioIndex > 9 ? 2 : (ratioIndex == 9 ? 1 : 0);
    snapshot.rmsDetector = nearest (limitTo (0.0f, 1.0f, readParameter (detectorParam, defaults::detector))) > 0;
    snapshot.autoRelease = ! tempoMode && releaseIndex >= 7;

    return snapshot;
}

const juce::String TamberAudioProcessor::getName() const
{
    return "Tollovane";
}

void TamberAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    isPrepared = false;
    processingBlockSize = samplesPerBlock < 2 ? 1 : samplesPerBlock;

    const auto* input = getBus (true, 0);
    const int engineChannels = input != nullptr ? juce::jlimit (1, 2, input->getNumberOfChannels()) : 1;

    compressor.prepare (sampleRate, processingBlockSize, engineChannels, gatherParameters());

    const int latency = compressor.getLatencySamples();
    setLatencySamples (latency);

    bypassDelayBuffer.setSize (2, latency + 1);
    bypassDelayedInput.setSize (2, processingBlockSize);
    bypassDelayBuffer.clear();
    bypassDelayedInput.clear();
    bypassDelayWritePos = 0;

    isPrepared = true;
}

void TamberAudioProcessor::releaseResources()
{
    isPrepared = false;
    compressor.reset();
    bypassDelayBuffer.clear();
    bypassDelayedInput.clear();
    bypassDelayWritePos = 0;
}

void TamberAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    processInternal (buffer, midi, false);
}

void TamberAudioProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    processInternal (buffer, midi, true);
}

void TamberAudioProcessor::refreshHostTempo()
{
    if (auto* head = getPlayHead())
        if (const auto position = head->getPosition())
            if (const auto bpm = position->getBpm())
                if (std::isfinite (*bpm)) // a broken host must not turn the synced release into NaN
                    hostBpm = (float) *bpm;
}

void TamberAudioProcessor::delayInputForBypass (juce::AudioBuffer<float>& view, int numChannels, float* delayedPeaks)
{
    // With latency + 1 slots, the slot after the write position holds the input from exactly
    // `latency` samples ago.
    const int size = bypassDelayBuffer.getNumSamples();

    for (int i = 0; i < view.getNumSamples(); ++i)
    {
        const int p = bypassDelayWritePos;
        const int next = (p + 1) % size;

        for (int ch = 0; ch < numChannels; ++ch)
        {
            const float x = view.getSample (ch, i);
            bypassDelayBuffer.setSample (ch, p, std::isfinite (x) ? x : 0.0f);
            const float delayed = bypassDelayBuffer.getSample (ch, next);
            bypassDelayedInput.setSample (ch, i, delayed);
            delayedPeaks[ch] = std::max (delayedPeaks[ch], std::abs (delayed));
        }

        bypassDelayWritePos = next;
    }
}

void TamberAudioProcessor::processInternal (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&, bool bypassed)
{
    juce::ScopedNoDenormals noDenormals;

    if (! isPrepared)
        return;

    refreshHostTempo();

    const int inputChannels = getTotalNumInputChannels();
    const int outputChannels = getTotalNumOutputChannels();
    meterChannelCount.store (std::max (inputChannels, outputChannels) >= 2 ? 2 : 1, std::memory_order_relaxed);

    for (int ch = inputChannels; ch < outputChannels && ch < buffer.getNumChannels(); ++ch)
        buffer.clear (ch, 0, buffer.getNumSamples());

    const int c = std::min (buffer.getNumChannels(), 2);
    if (c == 0)
        return;

    const auto snapshot = gatherParameters();

    float inputLeft = -60.0f, inputRight = -60.0f, outputLeft = -60.0f, outputRight = -60.0f;
    float reductionLeft = 0.0f, reductionRight = 0.0f;

    const int totalSamples = buffer.getNumSamples();
    for (int start = 0; start < totalSamples; start += processingBlockSize)
    {
        const int n = std::min (totalSamples - start, processingBlockSize);
        juce::AudioBuffer<float> view (buffer.getArrayOfWritePointers(), c, start, n);

        float delayedPeaks[2] = {};
        delayInputForBypass (view, c, delayedPeaks);

        compressor.processSubBlock (view, c, n, snapshot);

        inputLeft = std::max (inputLeft, compressor.lastInputLeftDb);
        inputRight = std::max (inputRight, compressor.lastInputRightDb);

        if (bypassed)
        {
            for (int ch = 0; ch < c; ++ch)
                view.copyFrom (ch, 0, bypassDelayedInput, ch, 0, n);

            outputLeft = std::max (outputLeft, peakLevelDb (delayedPeaks[0]));
            outputRight = std::max (outputRight, peakLevelDb (delayedPeaks[c - 1]));
            reductionLeft = reductionRight = 0.0f;
        }
        else
        {
            outputLeft = std::max (outputLeft, compressor.lastOutputLeftDb);
            outputRight = std::max (outputRight, compressor.lastOutputRightDb);
            reductionLeft = std::max (reductionLeft, compressor.lastGainReductionLeftDb);
            reductionRight = std::max (reductionRight, compressor.lastGainReductionRightDb);
        }
    }

    publishMeters (inputLeft, inputRight, outputLeft, outputRight, reductionLeft, reductionRight);
}

void TamberAudioProcessor::publishMeters (float inputLeft, float inputRight, float outputLeft, float outputRight,
                                          float reductionLeft, float reductionRight)
{
    meterInputLeftDb.store (inputLeft, std::memory_order_relaxed);
    meterInputRightDb.store (inputRight, std::memory_order_relaxed);
    meterOutputLeftDb.store (outputLeft, std::memory_order_relaxed);
    meterOutputRightDb.store (outputRight, std::memory_order_relaxed);
    meterGainReductionLeftDb.store (reductionLeft, std::memory_order_relaxed);
    meterGainReductionRightDb.store (reductionRight, std::memory_order_relaxed);
}

double TamberAudioProcessor::getTailLengthSeconds() const
{
    const double rate = getSampleRate();
    return rate > 0.0 ? getLatencySamples() / rate : 0.0;
}

bool TamberAudioProcessor::acceptsMidi() const { return false; }
bool TamberAudioProcessor::producesMidi() const { return false; }
bool TamberAudioProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* TamberAudioProcessor::createEditor()
{
    return new TamberAudioProcessorEditor (*this);
}

bool TamberAudioProcessor::hasEditor() const { return true; }

int TamberAudioProcessor::getNumPrograms() { return 1; }
int TamberAudioProcessor::getCurrentProgram() { return 0; }
void TamberAudioProcessor::setCurrentProgram (int) {}
const juce::String TamberAudioProcessor::getProgramName (int) { return {}; }
void TamberAudioProcessor::changeProgramName (int, const juce::String&) {}

void TamberAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    const auto state = valueTreeState.copyState();
    if (! state.isValid())
        return;

    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void TamberAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (const auto xml = StateDocument::parseBlob (data, sizeInBytes))
        applyState (juce::ValueTree::fromXml (*xml));
}

bool TamberAudioProcessor::applyState (juce::ValueTree newState)
{
    if (! newState.isValid() || ! newState.hasType (valueTreeState.state.getType()))
        return false;

    StateDocument::resolveParameters (newState, getParameters());
    valueTreeState.replaceState (newState);
    return true;
}

bool TamberAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto& in = layouts.getMainInputChannelSet();
    const auto& out = layouts.getMainOutputChannelSet();
    const bool mono = in == juce::AudioChannelSet::mono() && out == juce::AudioChannelSet::mono();
    const bool stereo = in == juce::AudioChannelSet::stereo() && out == juce::AudioChannelSet::stereo();
    return mono || stereo;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new TamberAudioProcessor();
}
