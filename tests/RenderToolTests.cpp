#include "OfflineRenderer.h"
#include "ProcessorHarness.h"
#include "TemporaryFolder.h"
#include "TollovanePresetData.h"
#include "presets/TollovaneFactoryPresets.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <cstring>

namespace
{
struct RunResult
{
    int exitCode;
    juce::String output; // stdout and stderr together
};

RunResult runRenderer (const juce::StringArray& arguments)
{
    juce::StringArray command { TOLLOVANE_RENDER_PATH };
    command.addArray (arguments);
    juce::ChildProcess process;
    if (! process.start (command))
        return { -1, "could not start " + command.joinIntoString (" ") };
    const auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    return { (int) process.getExitCode(), output };
}

void writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bits = 32)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    ASSERT_NE (stream, nullptr);
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, (unsigned int) buffer.getNumChannels(), bits, {}, 0));
    ASSERT_NE (writer, nullptr);
    stream.release();
    writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}

struct ReadResult
{
    juce::AudioBuffer<float> buffer;
    double sampleRate = 0.0;
};

ReadResult readWav (const juce::File& file)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));
    if (reader == nullptr)
        return {};
    ReadResult result { juce::AudioBuffer<float> ((int) reader->numChannels, (int) reader->lengthInSamples),
                        reader->sampleRate };
    reader->read (&result.buffer, 0, (int) reader->lengthInSamples, 0, true, true);
    return result;
}

juce::AudioBuffer<float> renderInProcess (TamberAudioProcessor& processor, const juce::AudioBuffer<float>& input,
                                          double sampleRate)
{
    juce::MemoryAudioSource source (const_cast<juce::AudioBuffer<float>&> (input), false);
    juce::AudioBuffer<float> rendered (input.getNumChannels(), input.getNumSamples());
    int written = 0;
    OfflineRenderer renderer (processor, {});
    renderer.render (source, input.getNumChannels(), sampleRate,
                     [&] (const juce::AudioBuffer<float>& block, int numSamples)
                     {
                         for (int ch = 0; ch < rendered.getNumChannels(); ++ch)
                             rendered.copyFrom (ch, written, block, ch, 0, numSamples);
                         written += numSamples;
                     });
    return rendered;
}

class RenderTool : public testing::Test
{
protected:
    void SetUp() override
    {
        input = folder.getChildFile ("in.wav");
        output = folder.getChildFile ("out.wav");
        programme = ProcessorHarness::makeProgramme (2, 22050, 44100.0);
        writeWav (input, programme, 44100.0);
    }

    TemporaryFolder temporary { "tollovane-render-test" };
    const juce::File folder = temporary.get();
    juce::File input, output;
    juce::AudioBuffer<float> programme;
};
} // namespace

TEST_F (RenderTool, RejectsBadCommandsWithAClearMessage)
{
    folder.getChildFile ("notes.wav").replaceWithText ("these are not samples");
    folder.getChildFile ("notes.tollovane").replaceWithText ("threshold = -20");
    folder.getChildFile ("foreign.tollovane").replaceWithText ("<?xml version=\"1.0\"?>\n<STATE/>\n");
    writeWav (folder.getChildFile ("surround.wav"), juce::AudioBuffer<float> (3, 100), 48000.0);

    const struct
    {
        juce::StringArray arguments;
        const char* message;
    } cases[] = {
        { { "missing.wav", "-o", "out.wav" }, "input file not found" },
        { { "notes.wav", "-o", "out.wav" }, "not a WAV, AIFF or FLAC file" },
        { { "surround.wav", "-o", "out.wav" }, "cannot process 3 channels" },
        { { "in.wav", "-o", "out.wav", "--set", "loudness=3" }, "unknown parameter id \"loudness\"" },
        { { "in.wav", "-o", "out.wav", "--set", "threshold=loud" }, "not a number" },
        { { "in.wav", "-o", "out.wav", "--set", "threshold=50" }, "threshold must be between -36 and 10" },
        { { "in.wav", "-o", "no-such-folder/out.wav" }, "missing or not writable" },
        { { "in.wav", "-o", "in.wav" }, "would overwrite the input" },
        { { "in.wav", "-o", "./sub/../in.wav" }, "would overwrite the input" },
        { { "in.wav" }, "no output file given" },
        { { "in.wav", "-o", "out.wav", "--block", "0" }, "--block takes" },
        { { "in.wav", "-o", "out.wav", "--frobnicate" }, "unknown option --frobnicate" },
        { { "in.wav", "-o", "out.wav", "--plot", "no-such-folder/plot.png" }, "the folder is missing" },
        { { "in.wav", "-o", "out.wav", "--preset", "No Such Preset" }, "unknown preset \"No Such Preset\"" },
        { { "in.wav", "-o", "out.wav", "--preset", "Drum Bus Para " }, "unknown preset \"Drum Bus Para \"" },
        { { "in.wav", "-o", "out.wav", "--preset", "missing.tollovane" }, "preset file not found" },
        { { "in.wav", "-o", "out.wav", "--preset", "notes.tollovane" }, "not a Tollovane preset" },
        { { "in.wav", "-o", "out.wav", "--preset", "foreign.tollovane" }, "not a Tollovane preset" },
        { { "in.wav", "-o", "out.wav", "--preset" }, "--preset takes" },
        { { "in.wav", "-o", "out.wav", "--automate", "ratio=3" }, "--automate takes ID=FROM:TO" },
        { { "in.wav", "-o", "out.wav", "--automate", "ratio=0:11" }, "ratio must be between 0 and 10" },
        { { "in.wav", "-o", "out.wav", "--automate", "volume=0:1" }, "unknown parameter id \"volume\"" },
        { { "in.wav", "--discard", "-o", "out.wav" }, "--discard writes nothing" },
        { { "in.wav", "-o", "out.wav", "--demo-seconds", "5" }, "not of an input file" },
    };

    folder.getChildFile ("sub").createDirectory();
    const auto inputBefore = input.loadFileAsString();

    for (const auto& c : cases)
    {
        juce::StringArray arguments;
        for (const auto& argument : c.arguments)
        {
            const bool isFileName = argument.containsChar ('.') && ! argument.startsWith ("-") && ! argument.contains ("=");
            arguments.add (isFileName ? folder.getChildFile (argument).getFullPathName() : argument);
        }

        const auto result = runRenderer (arguments);
        EXPECT_NE (result.exitCode, 0) << c.arguments.joinIntoString (" ");
        EXPECT_TRUE (result.output.contains (c.message)) << c.arguments.joinIntoString (" ") << "\n" << result.output;
    }

    EXPECT_EQ (input.loadFileAsString(), inputBefore);
    EXPECT_FALSE (output.exists());
}

TEST_F (RenderTool, RendersAUserFileAlignedWithItsInput)
{
    // The ends of each range are accepted as typed.
    const auto result = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--set", "threshold=-30",
                                       "--set", "ratio=10", "--set", "attack=0.05", "--set", "wide=0.1",
                                       "--format", "float32", "--block", "300" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    for (const auto* line : { "input peak:", "output peak:", "output true peak:", "latency:", "max gain reduction:",
                              "real-time factor:" })
        EXPECT_TRUE (result.output.contains (line)) << line;

    const auto rendered = readWav (output);
    EXPECT_EQ (rendered.sampleRate, 44100.0);
    EXPECT_EQ (rendered.buffer.getNumChannels(), 2);
    EXPECT_EQ (rendered.buffer.getNumSamples(), programme.getNumSamples());
    EXPECT_GT (rendered.buffer.getMagnitude (0, rendered.buffer.getNumSamples()), 0.01f);
}

TEST_F (RenderTool, BypassRenderGivesBackTheInputExactly)
{
    const auto aligned = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--bypass",
                                        "--format", "float32" });
    ASSERT_EQ (aligned.exitCode, 0) << aligned.output;
    const auto rendered = readWav (output).buffer;
    ASSERT_EQ (rendered.getNumSamples(), programme.getNumSamples());
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < programme.getNumSamples(); ++i)
            ASSERT_EQ (rendered.getSample (ch, i), programme.getSample (ch, i)) << "sample " << i;

    // With the latency kept, the same input arrives `latency` samples late.
    const auto raw = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--bypass",
                                    "--format", "float32", "--keep-latency" });
    ASSERT_EQ (raw.exitCode, 0) << raw.output;
    TamberAudioProcessor reference;
    ProcessorHarness::prepare (reference, 44100.0, 512);
    const int latency = reference.getLatencySamples();
    const auto delayed = readWav (output).buffer;
    ASSERT_EQ (delayed.getNumSamples(), programme.getNumSamples());
    for (int i = 0; i < latency; ++i)
        ASSERT_EQ (delayed.getSample (0, i), 0.0f);
    for (int i = latency; i < programme.getNumSamples(); ++i)
        ASSERT_EQ (delayed.getSample (0, i), programme.getSample (0, i - latency)) << "sample " << i;
}

TEST_F (RenderTool, KeepsAMonoFileMono)
{
    const auto mono = folder.getChildFile ("mono.wav");
    writeWav (mono, ProcessorHarness::makeProgramme (1, 9600, 48000.0), 48000.0, 24);
    const auto result = runRenderer ({ mono.getFullPathName(), "-o", output.getFullPathName() });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto rendered = readWav (output);
    EXPECT_EQ (rendered.buffer.getNumChannels(), 1);
    EXPECT_EQ (rendered.buffer.getNumSamples(), 9600);
    EXPECT_EQ (rendered.sampleRate, 48000.0);
}

TEST_F (RenderTool, RendersTheBuiltInDemoWithoutAnInput)
{
    const auto result = runRenderer ({ "-o", output.getFullPathName(), "--set", "threshold=-20" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("built-in demo"));

    const auto rendered = readWav (output);
    EXPECT_EQ (rendered.sampleRate, 48000.0);
    EXPECT_GT (rendered.buffer.getNumSamples(), 9 * 48000);
}

TEST_F (RenderTool, DrawsWhatTheCompressorDid)
{
    const auto plotFile = folder.getChildFile ("plot.png");
    const auto result = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--set", "threshold=-30",
                                       "--plot", plotFile.getFullPathName() });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    const auto image = juce::ImageFileFormat::loadFrom (plotFile);
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 1600);
    EXPECT_EQ (image.getHeight(), 720);

    // The bottom third holds the gain-reduction trace, drawn in red.
    int redPixels = 0;
    for (int y = 2 * image.getHeight() / 3; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (auto c = image.getPixelAt (x, y); c.getRed() > 200 && c.getGreen() < 120 && c.getBlue() < 100)
                ++redPixels;
    EXPECT_GT (redPixels, 500);
}

TEST_F (RenderTool, StartsFromAPresetAndAppliesTheSettingsAfterIt)
{
    TamberAudioProcessor reference;
    ASSERT_TRUE (reference.applyState (TollovaneFactoryPresets::loadState (2)));
    ProcessorHarness::setParameter (reference, "mix", 50.0f);
    const auto expected = renderInProcess (reference, programme, 44100.0);

    // A factory preset by name, matched without regard to case.
    const auto byName = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--preset", "guitar clamp",
                                       "--set", "mix=50", "--format", "float32" });
    ASSERT_EQ (byName.exitCode, 0) << byName.output;
    EXPECT_TRUE (ProcessorHarness::identical (readWav (output).buffer, expected));

    // The same settings from a user preset file.
    int size = 0;
    const auto* data = TollovanePresetData::getNamedResource ("Guitar_Clamp_tollovane", size);
    ASSERT_NE (data, nullptr);
    const auto presetFile = folder.getChildFile ("My Clamp.tollovane");
    ASSERT_TRUE (presetFile.replaceWithData (data, (size_t) size));

    const auto byFile = runRenderer ({ input.getFullPathName(), "-o", output.getFullPathName(), "--preset",
                                       presetFile.getFullPathName(), "--set", "mix=50", "--format", "float32" });
    ASSERT_EQ (byFile.exitCode, 0) << byFile.output;
    EXPECT_TRUE (ProcessorHarness::identical (readWav (output).buffer, expected));
}

TEST_F (RenderTool, ListsTheFactoryPresets)
{
    const auto result = runRenderer ({ "--list-presets" });
    ASSERT_EQ (result.exitCode, 0) << result.output;

    juce::StringArray expected;
    for (const auto* name : TollovaneFactoryPresets::names)
        expected.add (name);
    EXPECT_EQ (juce::StringArray::fromLines (result.output.trimEnd()), expected);
}

TEST_F (RenderTool, AutomationMovesAParameterAcrossTheRender)
{
    auto render = [&] (const juce::StringArray& extra)
    {
        juce::StringArray arguments { input.getFullPathName(), "-o", output.getFullPathName(), "--format", "float32" };
        arguments.addArray (extra);
        const auto result = runRenderer (arguments);
        EXPECT_EQ (result.exitCode, 0) << result.output;
        return readWav (output).buffer;
    };

    // A ramp that stays put is the setting itself; one that moves ends up somewhere between.
    const auto fixedLow = render ({ "--set", "threshold=-36" });
    const auto fixedHigh = render ({ "--set", "threshold=0" });
    const auto flatRamp = render ({ "--automate", "threshold=-36:-36" });
    const auto moving = render ({ "--automate", "threshold=0:-36" });

    for (int i = 0; i < fixedLow.getNumSamples(); ++i)
        ASSERT_EQ (flatRamp.getSample (0, i), fixedLow.getSample (0, i)) << "sample " << i;

    const int lastQuarter = 3 * fixedLow.getNumSamples() / 4;
    const float low = fixedLow.getRMSLevel (0, lastQuarter, fixedLow.getNumSamples() - lastQuarter);
    const float high = fixedHigh.getRMSLevel (0, lastQuarter, fixedHigh.getNumSamples() - lastQuarter);
    const float moved = moving.getRMSLevel (0, lastQuarter, moving.getNumSamples() - lastQuarter);
    EXPECT_LT (std::abs (moved - low), std::abs (moved - high)); // near its end value by then
}

TEST_F (RenderTool, DiscardMeasuresWithoutWriting)
{
    const auto result = runRenderer ({ "--discard", "--demo-seconds", "3" });
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("length:              3.00 s"));
    EXPECT_TRUE (result.output.contains ("peak memory:"));
    EXPECT_FALSE (output.exists());
}
