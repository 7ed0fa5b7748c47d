#include "TollovaneFactoryPresets.h"

#include "StateDocument.h"
#include "TollovanePresetData.h"

#include <iterator>

namespace TollovaneFactoryPresets
{
int findByName (const juce::String& name)
{
    for (int i = 0; i < (int) std::size (names); ++i)
        if (name.equalsIgnoreCase (names[i]))
            return i;

    return -1;
}

juce::ValueTree loadState (int index)
{
    if (index < 0 || index >= (int) std::size (names))
        return {};

    // Resources are found by their file name, not by the identifier the resource compiler made of it.
    const auto wanted = juce::String (names[index]) + ".tollovane";

    for (int i = 0; i < TollovanePresetData::namedResourceListSize; ++i)
    {
        const auto* resource = TollovanePresetData::namedResourceList[i];
        const auto* fileName = TollovanePresetData::getNamedResourceOriginalFilename (resource);
        if (fileName == nullptr || wanted != juce::String::fromUTF8 (fileName))
            continue;

        int size = 0;
        const auto* data = TollovanePresetData::getNamedResource (resource, size);
        if (data == nullptr || size <= 0)
            continue;

        if (const auto xml = StateDocument::parseText (data, (size_t) size))
            return juce::ValueTree::fromXml (*xml);
    }

    return {};
}
} // namespace TollovaneFactoryPresets
