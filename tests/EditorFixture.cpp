#include "EditorFixture.h"

#include <cstdlib>

namespace
{
std::optional<juce::String> environment (const char* name)
{
    if (const char* value = std::getenv (name))
        return juce::String::fromUTF8 (value);
    return std::nullopt;
}

void restoreEnvironment (const char* name, const std::optional<juce::String>& value)
{
    if (value.has_value())
        setenv (name, value->toRawUTF8(), 1);
    else
        unsetenv (name);
}
} // namespace

// JUCE 7 finds the application-data folder as ~/.config, through HOME; later versions may also
// honour XDG_CONFIG_HOME. Both point into the temporary home.
EditorFixture::EditorFixture()
    : temporaryHome ("tollovane-home"),
      home (temporaryHome.get()),
      savedHome (environment ("HOME")),
      savedConfigHome (environment ("XDG_CONFIG_HOME"))
{
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
}

EditorFixture::~EditorFixture()
{
    closeEditor();
    restoreEnvironment ("HOME", savedHome);
    restoreEnvironment ("XDG_CONFIG_HOME", savedConfigHome);
}

TamberAudioProcessorEditor& EditorFixture::openEditor()
{
    closeEditor();
    editor = std::make_unique<TamberAudioProcessorEditor> (processor);
    editorAccess.emplace (*editor);
    return *editor;
}

void EditorFixture::closeEditor()
{
    editorAccess.reset();
    editor.reset();
}

TamberEditorTestAccess& EditorFixture::access()
{
    if (! editorAccess.has_value())
        openEditor();
    return *editorAccess;
}

juce::File EditorFixture::presetFolder() const
{
    return home.getChildFile (".config").getChildFile ("Vennic Sound").getChildFile ("Tollovane").getChildFile ("Presets");
}

juce::File EditorFixture::writePresetFile (const juce::String& fileName, const juce::String& text)
{
    presetFolder().createDirectory();
    const auto file = presetFolder().getChildFile (fileName);
    file.replaceWithText (text);
    return file;
}

juce::File EditorFixture::writePresetFile (const juce::String& fileName, const juce::ValueTree& state)
{
    return writePresetFile (fileName, state.toXmlString());
}

float EditorFixture::parameter (const juce::String& id)
{
    return processor.valueTreeState.getRawParameterValue (id)->load();
}

juce::String EditorFixture::stateProperty (const juce::String& name)
{
    return processor.valueTreeState.copyState().getProperty (juce::Identifier (name)).toString();
}
