#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <utility>
#include <vector>

// The command line of tollovane-render.
struct RenderOptions
{
    enum class Format { int24, float32 };

    juce::String inputPath;   // empty: the built-in demo
    juce::String outputPath;
    bool discardOutput = false; // render and measure, write nothing
    double demoSeconds = 0.0;   // 0: the demo's own length; longer loops it
    juce::String plotPath;    // empty: no plot
    Format format = Format::int24;
    int blockSize = 512;
    bool keepLatency = false;
    bool bypass = false;
    bool showHelp = false;
    bool listPresets = false;
    juce::String preset; // a factory preset name or a .tollovane file; empty: none
    std::optional<double> bpm;
    std::vector<std::pair<juce::String, double>> parameterSettings; // id and value, in order

    struct Automation
    {
        juce::String id;
        double from, to; // moved linearly over the whole render, block by block
    };
    std::vector<Automation> automations;

    // Fills options from the arguments (without the program name); returns an error message, or
    // an empty string when the command line is valid.
    static juce::String parse (const juce::StringArray& arguments, RenderOptions& options);

    static juce::String usage();
};
