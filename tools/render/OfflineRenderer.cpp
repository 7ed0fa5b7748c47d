#include "OfflineRenderer.h"

#include "FixedTempoPlayHead.h"
#include "PluginProcessor.h"
#include "TruePeakMeter.h"

namespace
{
void configureBuses (TamberAudioProcessor& processor, int numChannels)
{
    const auto set = numChannels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (set);
    layout.outputBuses.add (set);
    processor.setBusesLayout (layout);
}
} // namespace

OfflineRenderer::OfflineRenderer (TamberAudioProcessor& p, Settings s)
    : processor (p), settings (s)
{
}

void OfflineRenderer::moveRamps (double proportion)
{
    for (const auto& ramp : settings.ramps)
        ramp.parameter->setValueNotifyingHost (
            ramp.parameter->convertTo0to1 (ramp.from + (ramp.to - ramp.from) * (float) proportion));
}

OfflineRenderer::Summary OfflineRenderer::render (juce::PositionableAudioSource& input, int numChannels,
                                                  double sampleRate, const Consumer& consume, const Progress& progress,
                                                  const Observer& observe)
{
    const int blockSize = std::max (1, settings.blockSize);
    std::optional<FixedTempoPlayHead> playHead;
    if (settings.bpm)
        playHead.emplace (*settings.bpm);
    processor.setPlayHead (playHead ? &*playHead : nullptr);

    moveRamps (0.0); // automation starts where it starts, as in a host that begins playback
    configureBuses (processor, numChannels);
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    Summary summary;
    summary.latencySamples = processor.getLatencySamples();

    const juce::int64 inputLength = input.getTotalLength();
    const juce::int64 skip = settings.keepLatency ? 0 : summary.latencySamples;
    const juce::int64 outputLength = inputLength;
    input.setNextReadPosition (0);

    juce::AudioBuffer<float> block (numChannels, blockSize);
    juce::MidiBuffer midi;
    TruePeakMeter truePeak (numChannels);

    juce::int64 consumed = 0, produced = 0;
    double processingSeconds = 0.0;

    while (produced < outputLength)
    {
        const int n = (int) std::min<juce::int64> (blockSize, inputLength + skip - consumed);
        block.setSize (numChannels, n, false, false, true);
        block.clear();

        const int fromInput = (int) juce::jlimit<juce::int64> (0, n, inputLength - consumed);
        float inputPeak = 0.0f;
        if (fromInput > 0)
        {
            juce::AudioSourceChannelInfo info (&block, 0, fromInput);
            input.getNextAudioBlock (info);
            inputPeak = block.getMagnitude (0, fromInput);
            summary.inputPeak = std::max (summary.inputPeak, inputPeak);
        }
        const double inputSeconds = (double) consumed / sampleRate;
        consumed += n;

        moveRamps (inputLength > 0 ? std::min (1.0, (double) (consumed - n) / (double) inputLength) : 0.0);

        const double started = juce::Time::getMillisecondCounterHiRes();
        if (settings.bypass)
            processor.processBlockBypassed (block, midi);
        else
            processor.processBlock (block, midi);
        processingSeconds += (juce::Time::getMillisecondCounterHiRes() - started) * 0.001;

        const float reductionDb = std::max (processor.meterGainReductionLeftDb.load(),
                                            processor.meterGainReductionRightDb.load());
        summary.largestGainReductionDb = std::max (summary.largestGainReductionDb, reductionDb);

        // Drop the first `skip` samples of the stream: the latency the host would compensate.
        const int offset = (int) juce::jlimit<juce::int64> (0, n, skip - (consumed - n));
        const int keep = (int) std::max<juce::int64> (0, std::min<juce::int64> (n - offset, outputLength - produced));
        const double outputSeconds = (double) produced / sampleRate;
        float outputPeak = 0.0f;
        if (keep > 0)
        {
            juce::AudioBuffer<float> kept (block.getArrayOfWritePointers(), numChannels, offset, keep);
            outputPeak = kept.getMagnitude (0, keep);
            summary.outputPeak = std::max (summary.outputPeak, outputPeak);
            truePeak.process (kept, keep);
            consume (kept, keep);
            produced += keep;
        }

        if (observe)
            observe ({ inputSeconds, inputPeak, reductionDb, outputSeconds, outputPeak, keep });

        if (progress && outputLength > 0)
            progress ((double) produced / (double) outputLength);
    }

    truePeak.finish();
    processor.releaseResources();
    processor.setPlayHead (nullptr);

    summary.outputTruePeak = truePeak.getPeak();
    summary.numSamples = produced;
    summary.audioSeconds = (double) produced / sampleRate;
    summary.processingSeconds = processingSeconds;
    return summary;
}
