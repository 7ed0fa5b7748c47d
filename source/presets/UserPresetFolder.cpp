#include "UserPresetFolder.h"

#include "StateDocument.h"
#include "TollovaneFactoryPresets.h"

#include <cmath>
#include <set>

namespace
{
const juce::Identifier stateType { "PARAMETERS" };
const juce::Identifier parameterType { "PARAM" };
const juce::Identifier idProperty { "id" };
const juce::Identifier valueProperty { "value" };

constexpr int parameterCount = 12;

juce::ValueTree firstChildWithId (const juce::ValueTree& state, const juce::String& id)
{
    for (const auto& child : state)
        if (child.getProperty (idProperty).toString() == id)
            return child;

    return {};
}

// A missing value, or one that is not a finite number, never counts as equal: such a file may
// carry something the user wants to keep.
bool holdsSameValue (const juce::ValueTree& a, const juce::ValueTree& b)
{
    const auto* valueA = a.getPropertyPointer (valueProperty);
    const auto* valueB = b.getPropertyPointer (valueProperty);
    if (valueA == nullptr || valueB == nullptr)
        return false;

    const auto x = (float) (double) *valueA;
    const auto y = (float) (double) *valueB;
    return std::isfinite (x) && std::isfinite (y) && x == y;
}

bool holdsSameParameters (const juce::ValueTree& file, const juce::ValueTree& factory)
{
    if (! file.hasType (stateType) || ! factory.hasType (stateType)
        || file.getNumChildren() != parameterCount || factory.getNumChildren() != parameterCount)
        return false;

    std::set<juce::String> seenIds;

    for (const auto& child : file)
    {
        const auto id = child.getProperty (idProperty).toString();
        if (! child.hasType (parameterType) || id.isEmpty() || ! seenIds.insert (id).second)
            return false;

        const auto factoryChild = firstChildWithId (factory, id);
        if (! factoryChild.hasType (parameterType) || ! holdsSameValue (child, factoryChild))
            return false;
    }

    return true;
}

bool isOnlyDots (const juce::String& name)
{
    return name.containsOnly (".");
}
} // namespace

UserPresetFolder::UserPresetFolder (juce::File folderToUse) : folder (std::move (folderToUse)) {}

juce::Array<juce::File> UserPresetFolder::listPresets() const
{
    if (! folder.isDirectory())
        return {};

    auto presets = folder.findChildFiles (juce::File::findFiles, false, juce::String ("*") + fileExtension,
                                          juce::File::FollowSymlinks::yes);

    // From the last entry to the first, so removing one never skips the next.
    for (int i = presets.size(); --i >= 0;)
        if (repeatsFactoryPreset (presets.getReference (i)))
            presets.remove (i);

    if (presets.size() > 1)
    {
        juce::File::NaturalFileComparator naturalOrder { false };
        presets.sort (naturalOrder);
    }

    return presets;
}

bool UserPresetFolder::repeatsFactoryPreset (const juce::File& file)
{
    const auto factoryIndex = TollovaneFactoryPresets::findByName (file.getFileNameWithoutExtension());
    if (factoryIndex < 0)
        return false;

    const auto xml = StateDocument::parseFile (file);
    if (xml == nullptr)
        return false;

    return holdsSameParameters (juce::ValueTree::fromXml (*xml), TollovaneFactoryPresets::loadState (factoryIndex));
}

int UserPresetFolder::indexOfPreset (const juce::Array<juce::File>& presets, const juce::String& name)
{
    const auto fileName = name + fileExtension;
    const bool caseMatters = juce::File::areFileNamesCaseSensitive();

    for (int i = 0; i < presets.size(); ++i)
    {
        const auto listedName = presets.getReference (i).getFileName();
        if (caseMatters ? listedName == fileName : listedName.equalsIgnoreCase (fileName))
            return i;
    }

    return -1;
}

juce::String UserPresetFolder::makePresetName (const juce::String& typed)
{
    // Removing characters can expose spaces at either end, which some file systems drop silently.
    const auto name = juce::File::createLegalFileName (typed.trim()).trim();
    return isOnlyDots (name) ? juce::String() : name;
}

bool UserPresetFolder::writePreset (const juce::String& name, const juce::ValueTree& state) const
{
    if (name.isEmpty() || makePresetName (name) != name)
        return false;

    if (! folder.createDirectory().wasOk())
        return false;

    const auto xml = state.createXml();
    if (xml == nullptr)
        return false;

    // XmlElement::writeTo writes a temporary file beside the target and renames it over the
    // target only after a complete, flushed write: a full disk or a crash leaves the old file.
    return xml->writeTo (folder.getChildFile (name + fileExtension));
}
