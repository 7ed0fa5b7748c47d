#include "TemporaryFolder.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace
{
juce::File claimFolder (const juce::String& prefix)
{
    auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile (prefix + "-XXXXXX")
                       .getFullPathName()
                       .toStdString();
    if (mkdtemp (pattern.data()) == nullptr)
        throw std::runtime_error ("cannot create a temporary folder for " + prefix.toStdString());
    return juce::File (pattern);
}
} // namespace

TemporaryFolder::TemporaryFolder (const juce::String& prefix) : folder (claimFolder (prefix))
{
}

TemporaryFolder::~TemporaryFolder()
{
    folder.deleteRecursively();
}
