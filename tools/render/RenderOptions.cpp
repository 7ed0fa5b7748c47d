#include "RenderOptions.h"

#include <cmath>
#include <cstdlib>

namespace
{
constexpr int largestBlockSize = 65536;

// The whole text must be one finite number.
std::optional<double> parseNumber (const juce::String& text)
{
    const auto characters = text.trim().toStdString();
    if (characters.empty())
        return std::nullopt;

    char* end = nullptr;
    const double value = std::strtod (characters.c_str(), &end);
    if (end != characters.c_str() + characters.size() || ! std::isfinite (value))
        return std::nullopt;
    return value;
}
} // namespace

juce::String RenderOptions::usage()
{
    return "Usage: tollovane-render [INPUT] -o OUTPUT [options]\n"
           "\n"
           "Processes INPUT (WAV, AIFF or FLAC, mono or stereo) through Tollovane and writes a WAV file.\n"
           "Without INPUT it renders a built-in demo of drums, bass and pads.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE      the WAV file to write (never the input file)\n"
           "  --format int24|float32 output sample format (default int24)\n"
           "  --block N              host block size in samples, 1 to 65536 (default 512)\n"
           "  --preset NAME|FILE     start from a factory preset (any case; see --list-presets) or from a\n"
           "                         .tollovane preset file; --set options apply after it\n"
           "  --list-presets         print the names of the factory presets\n"
           "  --set ID=VALUE         set a parameter in its own units, for example --set threshold=-20\n"
           "                         or --set ratio=10 (a choice takes its index); may be repeated\n"
           "  --bypass               render through the host-bypass path\n"
           "  --bpm N                tempo reported to the plug-in (default: no tempo, 120 BPM assumed)\n"
           "  --keep-latency         keep the plug-in latency instead of aligning output with input\n"
           "  --plot FILE.png        draw the input, the output and the gain reduction over time\n"
           "  --automate ID=FROM:TO  move a parameter linearly from FROM to TO over the render, block by\n"
           "                         block as a host automates it; may be repeated\n"
           "  --demo-seconds N       make the built-in demo N seconds long (it repeats)\n"
           "  --discard              render and print the summary, write no file\n"
           "  -h, --help             show this help\n"
           "\n"
           "Parameter ids: detector sync wide threshold attack release ratio mix makeup harm\n"
           "               autoMakeup sidechainHp\n";
}

juce::String RenderOptions::parse (const juce::StringArray& arguments, RenderOptions& options)
{
    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];
        const auto nextValue = [&] () -> std::optional<juce::String>
        {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };

        if (argument == "-h" || argument == "--help")
        {
            options.showHelp = true;
        }
        else if (argument == "-o" || argument == "--output")
        {
            const auto value = nextValue();
            if (! value || value->isEmpty())
                return "missing file name after " + argument;
            options.outputPath = *value;
        }
        else if (argument == "--plot")
        {
            const auto value = nextValue();
            if (! value || value->isEmpty())
                return "missing file name after --plot";
            options.plotPath = *value;
        }
        else if (argument == "--format")
        {
            const auto value = nextValue();
            if (value && *value == "int24")
                options.format = Format::int24;
            else if (value && *value == "float32")
                options.format = Format::float32;
            else
                return "--format takes int24 or float32";
        }
        else if (argument == "--block")
        {
            const auto value = nextValue();
            if (! value || ! value->containsOnly ("0123456789") || value->isEmpty()
                || value->getLargeIntValue() < 1 || value->getLargeIntValue() > largestBlockSize)
                return "--block takes a whole number of samples from 1 to " + juce::String (largestBlockSize);
            options.blockSize = value->getIntValue();
        }
        else if (argument == "--bpm")
        {
            const auto value = nextValue();
            const auto tempo = value ? parseNumber (*value) : std::nullopt;
            if (! tempo || *tempo <= 0.0)
                return "--bpm takes a positive number";
            options.bpm = *tempo;
        }
        else if (argument == "--preset")
        {
            const auto value = nextValue();
            if (! value || value->isEmpty())
                return "--preset takes a factory preset name or a .tollovane file";
            options.preset = *value;
        }
        else if (argument == "--list-presets")
        {
            options.listPresets = true;
        }
        else if (argument == "--set")
        {
            const auto value = nextValue();
            if (! value || ! value->contains ("="))
                return "--set takes ID=VALUE, for example --set threshold=-20";
            const auto id = value->upToFirstOccurrenceOf ("=", false, false).trim();
            const auto text = value->fromFirstOccurrenceOf ("=", false, false).trim();
            const auto number = parseNumber (text);
            if (! number)
                return "the value of " + id + " is not a number: \"" + text + "\"";
            options.parameterSettings.emplace_back (id, *number);
        }
        else if (argument == "--automate")
        {
            const auto value = nextValue();
            const auto usage = juce::String ("--automate takes ID=FROM:TO, for example --automate ratio=0:10");
            if (! value || ! value->contains ("=") || ! value->contains (":"))
                return usage;
            const auto id = value->upToFirstOccurrenceOf ("=", false, false).trim();
            const auto range = value->fromFirstOccurrenceOf ("=", false, false);
            const auto from = parseNumber (range.upToFirstOccurrenceOf (":", false, false));
            const auto to = parseNumber (range.fromFirstOccurrenceOf (":", false, false));
            if (! from || ! to)
                return usage;
            options.automations.push_back ({ id, *from, *to });
        }
        else if (argument == "--demo-seconds")
        {
            const auto value = nextValue();
            const auto seconds = value ? parseNumber (*value) : std::nullopt;
            if (! seconds || *seconds <= 0.0 || *seconds > 24.0 * 3600.0)
                return "--demo-seconds takes a length in seconds, up to a day";
            options.demoSeconds = *seconds;
        }
        else if (argument == "--discard")
        {
            options.discardOutput = true;
        }
        else if (argument == "--bypass")
        {
            options.bypass = true;
        }
        else if (argument == "--keep-latency")
        {
            options.keepLatency = true;
        }
        else if (argument.startsWith ("-") && argument != "-")
        {
            return "unknown option " + argument;
        }
        else if (options.inputPath.isEmpty())
        {
            options.inputPath = argument;
        }
        else
        {
            return "more than one input file given: " + options.inputPath + " and " + argument;
        }
    }

    if (options.discardOutput && options.outputPath.isNotEmpty())
        return "--discard writes nothing, so it takes no -o OUTPUT";
    if (options.demoSeconds > 0.0 && options.inputPath.isNotEmpty())
        return "--demo-seconds sets the length of the built-in demo, not of an input file";
    if (! options.showHelp && ! options.listPresets && ! options.discardOutput && options.outputPath.isEmpty())
        return "no output file given (-o OUTPUT)";

    return {};
}
