#include "BenchMaterial.h"

#include "DemoSignal.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cstring>
#include <stdexcept>

namespace
{
constexpr const char* materialFlag = "--material=";
}

BenchMaterial BenchMaterial::demo (double rate)
{
    return { "demo", rate, DemoSignal::render (rate) };
}

BenchMaterial BenchMaterial::fromFile (const std::string& materialName, const std::string& path)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (juce::File (path)));
    if (reader == nullptr)
        throw std::runtime_error ("cannot read " + path);

    const int length = (int) reader->lengthInSamples;
    juce::AudioBuffer<float> audio (2, length);
    const bool mono = reader->numChannels == 1;
    reader->read (&audio, 0, length, 0, true, ! mono);
    if (mono)
        audio.copyFrom (1, 0, audio, 0, 0, length);

    return { materialName, reader->sampleRate, std::move (audio) };
}

std::vector<BenchMaterial> BenchMaterial::fromArguments (int& argc, char** argv)
{
    std::vector<BenchMaterial> materials;
    int kept = 1;

    for (int i = 1; i < argc; ++i)
    {
        const std::string argument (argv[i]);
        const auto equals = argument.find ('=', std::strlen (materialFlag));
        if (argument.rfind (materialFlag, 0) == 0 && equals != std::string::npos)
        {
            const auto start = std::strlen (materialFlag);
            materials.push_back (fromFile (argument.substr (start, equals - start), argument.substr (equals + 1)));
        }
        else
        {
            argv[kept++] = argv[i];
        }
    }

    argc = kept;
    if (materials.empty())
        materials.push_back (demo (48000.0));
    return materials;
}
