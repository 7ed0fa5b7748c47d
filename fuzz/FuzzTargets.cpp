#include "FuzzTargets.h"

#include "BinaryData.h"
#include "PluginProcessor.h"
#include "StateDocument.h"
#include "TollovanePresetData.h"
#include "presets/TollovaneFactoryPresets.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr std::size_t largestBlob = 1 << 20;

struct Fixture
{
    juce::ScopedJuceInitialiser_GUI juceSupport;
    TamberAudioProcessor processor;
    juce::TemporaryFile presetFile { ".tollovane" };
};

// One processor for every input, as a host keeps one instance through many restores.
Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void requireSaneParameters (const TamberAudioProcessor& processor)
{
    for (auto* parameter : processor.getParameters())
        if (const float v = parameter->getValue(); ! std::isfinite (v) || v < 0.0f || v > 1.0f)
            std::abort();

    const auto s = processor.gatherParameters();
    for (const float v : { s.thresholdDb, s.attackMs, s.releaseMs, s.ratio, s.mix, s.makeupDb, s.width,
                           s.sidechainHpHz, s.harmAmount })
        if (! std::isfinite (v))
            std::abort();
}

template <typename LookUp, typename OriginalName>
void checkTable (const char* name, const char* const* names, int count, LookUp lookUp, OriginalName originalName)
{
    int size = -1;
    const char* resource = lookUp (name, size);
    if ((resource == nullptr) != (size == 0))
        std::abort();

    if (resource != nullptr)
    {
        // Whatever name found it, a hit is exactly one of the table's resources.
        bool found = false;
        for (int i = 0; i < count; ++i)
        {
            int expectedSize = 0;
            if (lookUp (names[i], expectedSize) == resource)
                found = expectedSize == size;
        }
        if (! found)
            std::abort();
    }

    if (const char* original = originalName (name))
    {
        bool listed = false;
        for (int i = 0; i < count; ++i)
            listed = listed || std::strcmp (names[i], name) == 0;
        if (! listed || original[0] == '\0')
            std::abort();
    }
}
} // namespace

namespace FuzzTargets
{
void restoreState (const std::uint8_t* data, std::size_t size)
{
    auto& processor = fixture().processor;
    processor.setStateInformation (data, (int) std::min (size, largestBlob));
    requireSaneParameters (processor);

    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    processor.setStateInformation (saved.getData(), (int) saved.getSize());
    requireSaneParameters (processor);

    juce::MemoryBlock again;
    processor.getStateInformation (again);
    if (again != saved)
        std::abort();
}

void loadPresetFile (const std::uint8_t* data, std::size_t size)
{
    auto& f = fixture();
    if (! f.presetFile.getFile().replaceWithData (data, size))
        return;

    if (const auto xml = StateDocument::parseFile (f.presetFile.getFile()))
        f.processor.applyState (juce::ValueTree::fromXml (*xml));
    requireSaneParameters (f.processor);
}

void lookUpResources (const std::uint8_t* data, std::size_t size)
{
    const std::string name (reinterpret_cast<const char*> (data), size);

    checkTable (name.c_str(), BinaryData::namedResourceList, BinaryData::namedResourceListSize,
                BinaryData::getNamedResource, BinaryData::getNamedResourceOriginalFilename);
    checkTable (name.c_str(), TollovanePresetData::namedResourceList, TollovanePresetData::namedResourceListSize,
                TollovanePresetData::getNamedResource, TollovanePresetData::getNamedResourceOriginalFilename);

    const int index = TollovaneFactoryPresets::findByName (juce::String::fromUTF8 (name.data(), (int) name.size()));
    if (index < -1 || index > 8 || (index >= 0 && ! TollovaneFactoryPresets::loadState (index).isValid()))
        std::abort();
}
} // namespace FuzzTargets
