#include "DemoSignal.h"
#include "LoopedAudioSource.h"
#include "OfflineRenderer.h"
#include "PluginProcessor.h"
#include "RenderOptions.h"
#include "RenderPlot.h"
#include "StateDocument.h"
#include "presets/TollovaneFactoryPresets.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace
{
constexpr double demoSampleRate = 48000.0;

struct RenderError
{
    juce::String message;
};

float decibels (float gain)
{
    return gain > 0.0f ? 20.0f * std::log10 (gain) : -200.0f;
}

juce::String formatDb (float gain, const char* unit)
{
    return gain > 0.0f ? juce::String (decibels (gain), 2) + " " + unit : juce::String ("-inf ") + unit;
}

juce::ValueTree readPresetFile (const juce::File& file)
{
    if (! file.existsAsFile())
        throw RenderError { "preset file not found: " + file.getFullPathName() };

    const auto xml = StateDocument::parseFile (file);
    if (xml == nullptr)
        throw RenderError { "cannot read " + file.getFullPathName() + ": not a Tollovane preset" };

    return juce::ValueTree::fromXml (*xml);
}

// A name ending in ".tollovane" is a preset file; anything else names a factory preset, matched
// as the editor matches it.
juce::ValueTree loadPreset (const juce::String& preset)
{
    if (preset.endsWithIgnoreCase (".tollovane"))
        return readPresetFile (juce::File::getCurrentWorkingDirectory().getChildFile (preset));

    const auto index = TollovaneFactoryPresets::findByName (preset);
    if (index < 0)
        throw RenderError { "unknown preset \"" + preset + "\" (--list-presets shows the factory presets; "
                            "a preset file must end in .tollovane)" };

    return TollovaneFactoryPresets::loadState (index);
}

void applyPreset (TamberAudioProcessor& processor, const juce::String& preset)
{
    if (preset.isNotEmpty() && ! processor.applyState (loadPreset (preset)))
        throw RenderError { "cannot use " + preset + ": not a Tollovane preset" };
}

juce::RangedAudioParameter* parameterFor (TamberAudioProcessor& processor, const juce::String& id, double value)
{
    auto* parameter = processor.valueTreeState.getParameter (id);
    if (parameter == nullptr)
        throw RenderError { "unknown parameter id \"" + id + "\" (see --help for the list)" };

    // Compared as the parameter stores it: 0.05 typed on the command line is the float range's 0.05.
    const auto range = processor.valueTreeState.getParameterRange (id);
    if ((float) value < range.start || (float) value > range.end)
        throw RenderError { id + " must be between " + juce::String (range.start) + " and "
                            + juce::String (range.end) + ", not " + juce::String (value) };
    return parameter;
}

void applyParameters (TamberAudioProcessor& processor, const RenderOptions& options)
{
    for (const auto& [id, value] : options.parameterSettings)
    {
        auto* parameter = parameterFor (processor, id, value);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) value));
    }
}

std::unique_ptr<juce::AudioFormatReader> openInput (const juce::File& file)
{
    if (! file.existsAsFile())
        throw RenderError { "input file not found: " + file.getFullPathName() };

    juce::AudioFormatManager formats;
    formats.registerFormat (new juce::WavAudioFormat(), true);
    formats.registerFormat (new juce::AiffAudioFormat(), false);
    formats.registerFormat (new juce::FlacAudioFormat(), false);

    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
        throw RenderError { "cannot read " + file.getFullPathName() + ": not a WAV, AIFF or FLAC file" };
    if (reader->numChannels < 1 || reader->numChannels > 2)
        throw RenderError { "cannot process " + juce::String (reader->numChannels) + " channels: "
                            "Tollovane takes mono or stereo files" };
    if (reader->sampleRate < 1000.0 || reader->lengthInSamples < 0)
        throw RenderError { "cannot process " + file.getFullPathName() + ": its header is broken" };
    return reader;
}

bool isSameFile (const juce::File& a, const juce::File& b)
{
    if (a == b)
        return true;
    std::error_code error;
    return std::filesystem::equivalent (a.getFullPathName().toStdString(), b.getFullPathName().toStdString(), error);
}

class ProgressBar
{
public:
    ProgressBar() : enabled (isatty (fileno (stderr)) != 0) {}

    void show (double fraction)
    {
        const int filled = (int) (fraction * width);
        if (! enabled || filled == lastFilled)
            return;
        lastFilled = filled;
        std::fprintf (stderr, "\r[%s%s] %3d%%", std::string ((size_t) filled, '#').c_str(),
                      std::string ((size_t) (width - filled), '.').c_str(), (int) (fraction * 100.0));
        if (filled == width)
            std::fprintf (stderr, "\n");
        std::fflush (stderr);
    }

private:
    static constexpr int width = 40;
    bool enabled;
    int lastFilled = -1;
};

// The most memory the process has held at any time, in MiB.
double peakMemoryMiB()
{
    rusage usage {};
    getrusage (RUSAGE_SELF, &usage);
    return static_cast<double> (usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void printSummary (const OfflineRenderer::Summary& summary, double sampleRate, const juce::String& inputName,
                   const juce::String& outputName, const juce::String& preset)
{
    const double realTimeFactor = summary.processingSeconds > 0.0 ? summary.audioSeconds / summary.processingSeconds : 0.0;
    std::cout << "input:               " << inputName << "\n"
              << "output:              " << outputName << "\n";
    if (preset.isNotEmpty())
        std::cout << "preset:              " << preset << "\n";
    std::cout << "length:              " << juce::String (summary.audioSeconds, 2) << " s at "
              << juce::String (sampleRate, 0) << " Hz\n"
              << "input peak:          " << formatDb (summary.inputPeak, "dBFS") << "\n"
              << "output peak:         " << formatDb (summary.outputPeak, "dBFS") << "\n"
              << "output true peak:    " << formatDb (summary.outputTruePeak, "dBTP") << "\n"
              << "latency:             " << summary.latencySamples << " samples ("
              << juce::String (1000.0 * summary.latencySamples / sampleRate, 2) << " ms)\n"
              << "max gain reduction:  " << juce::String (summary.largestGainReductionDb, 2) << " dB\n"
              << "real-time factor:    " << juce::String (realTimeFactor, 1) << "x\n"
              << "peak memory:         " << juce::String (peakMemoryMiB(), 1) << " MiB\n";
}

struct Input
{
    std::unique_ptr<juce::AudioFormatReader> reader;
    juce::AudioBuffer<float> demo;
    std::unique_ptr<juce::PositionableAudioSource> source;
    juce::String name = "built-in demo";
    double sampleRate = demoSampleRate;
    int numChannels = 2;
};

void openInputOrDemo (const RenderOptions& options, const juce::File& output, Input& input)
{
    if (options.inputPath.isEmpty())
    {
        input.demo = DemoSignal::render (demoSampleRate);
        const auto length = options.demoSeconds > 0.0 ? (juce::int64) (options.demoSeconds * demoSampleRate)
                                                      : (juce::int64) input.demo.getNumSamples();
        input.source = std::make_unique<LoopedAudioSource> (input.demo, length);
        return;
    }

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (options.inputPath);
    if (! options.discardOutput && isSameFile (file, output))
        throw RenderError { "the output would overwrite the input file " + file.getFullPathName() };

    input.reader = openInput (file);
    input.name = file.getFullPathName();
    input.sampleRate = input.reader->sampleRate;
    input.numChannels = (int) input.reader->numChannels;
    input.source = std::make_unique<juce::AudioFormatReaderSource> (input.reader.get(), false);
}

std::vector<OfflineRenderer::Settings::Ramp> automationRamps (TamberAudioProcessor& processor, const RenderOptions& options)
{
    std::vector<OfflineRenderer::Settings::Ramp> ramps;
    for (const auto& automation : options.automations)
    {
        auto* parameter = parameterFor (processor, automation.id, automation.from);
        parameterFor (processor, automation.id, automation.to);
        ramps.push_back ({ parameter, (float) automation.from, (float) automation.to });
    }
    return ramps;
}

// Written to a temporary file beside the output and moved into place at the end, so a failed
// render never leaves half a file or destroys an existing one.
class OutputFile
{
public:
    OutputFile (const juce::File& target, const RenderOptions& options, double sampleRate, int numChannels)
        : file (target), temporary (target)
    {
        if (target.isDirectory())
            throw RenderError { "cannot write " + target.getFullPathName() + ": it is a folder" };

        auto stream = temporary.getFile().createOutputStream();
        if (stream == nullptr)
            throw RenderError { "cannot write " + target.getFullPathName() + ": the folder is missing or not writable" };

        const int bits = options.format == RenderOptions::Format::float32 ? 32 : 24;
        writer.reset (juce::WavAudioFormat().createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels,
                                                               bits, {}, 0));
        if (writer == nullptr)
            throw RenderError { "cannot write a WAV file at " + juce::String (sampleRate) + " Hz" };
        stream.release(); // the writer owns it now
    }

    void write (const juce::AudioBuffer<float>& block, int numSamples)
    {
        failed = failed || ! writer->writeFromAudioSampleBuffer (block, 0, numSamples);
    }

    void commit()
    {
        writer.reset();
        if (failed || ! temporary.overwriteTargetFileWithTemporary())
            throw RenderError { "writing " + file.getFullPathName() + " failed (disk full?)" };
    }

private:
    juce::File file;
    juce::TemporaryFile temporary;
    std::unique_ptr<juce::AudioFormatWriter> writer;
    bool failed = false;
};

std::optional<juce::File> plotFileFor (const RenderOptions& options)
{
    if (options.plotPath.isEmpty())
        return std::nullopt;

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (options.plotPath);
    if (! file.getParentDirectory().isDirectory())
        throw RenderError { "cannot write the plot " + file.getFullPathName() + ": the folder is missing" };
    return file;
}

int run (const RenderOptions& options)
{
    const juce::File output = juce::File::getCurrentWorkingDirectory().getChildFile (options.outputPath);
    Input input;
    openInputOrDemo (options, output, input);

    TamberAudioProcessor processor;
    applyPreset (processor, options.preset);
    applyParameters (processor, options);

    OfflineRenderer::Settings settings;
    settings.blockSize = options.blockSize;
    settings.keepLatency = options.keepLatency;
    settings.bypass = options.bypass;
    settings.bpm = options.bpm;
    settings.ramps = automationRamps (processor, options);

    const auto plotFile = plotFileFor (options);
    std::optional<OutputFile> outputFile;
    if (! options.discardOutput)
        outputFile.emplace (output, options, input.sampleRate, input.numChannels);

    ProgressBar progressBar;
    RenderPlot plot;
    OfflineRenderer renderer (processor, settings);
    const auto summary = renderer.render (
        *input.source, input.numChannels, input.sampleRate,
        [&] (const juce::AudioBuffer<float>& block, int numSamples)
        {
            if (outputFile)
                outputFile->write (block, numSamples);
        },
        [&] (double fraction) { progressBar.show (fraction); },
        [&] (const OfflineRenderer::BlockReport& report)
        {
            plot.addInputBlock (report.inputSeconds, report.inputPeak);
            plot.addGainReduction (report.inputSeconds, report.gainReductionDb);
            if (report.outputSamples > 0)
                plot.addOutputBlock (report.outputSeconds, report.outputPeak);
        });

    if (outputFile)
        outputFile->commit();

    if (plotFile && ! plot.writePng (*plotFile, summary.audioSeconds))
        throw RenderError { "cannot write the plot " + plotFile->getFullPathName() };

    printSummary (summary, input.sampleRate, input.name, options.discardOutput ? juce::String ("(discarded)")
                                                                            : output.getFullPathName(),
                  options.preset);
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juceSupport;

    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    RenderOptions options;
    if (const auto error = RenderOptions::parse (arguments, options); error.isNotEmpty())
    {
        std::cerr << "tollovane-render: " << error << "\n\n" << RenderOptions::usage();
        return 2;
    }

    if (options.showHelp)
    {
        std::cout << RenderOptions::usage();
        return 0;
    }

    if (options.listPresets)
    {
        for (const auto* name : TollovaneFactoryPresets::names)
            std::cout << name << "\n";
        return 0;
    }

    try
    {
        return run (options);
    }
    catch (const RenderError& error)
    {
        std::cerr << "tollovane-render: " << error.message << "\n";
        return 1;
    }
}
