#include "EditorFixture.h"
#include "MessagePump.h"
#include "ProcessorHarness.h"
#include "StateDocument.h"

#include "presets/TollovaneFactoryPresets.h"
#include "presets/UserPresetFolder.h"

#include <filesystem>
#include <functional>
#include <unistd.h>

namespace
{
constexpr float drumBusParaThreshold = -17.8f;
constexpr float drumRoomThreshold = -22.3f;

juce::ValueTree parameterChild (juce::ValueTree& state, const juce::String& id)
{
    for (auto child : state)
        if (child.getProperty ("id").toString() == id)
            return child;
    return {};
}

juce::ValueTree factoryWith (int index, const juce::String& id, const juce::var& value)
{
    auto state = TollovaneFactoryPresets::loadState (index);
    parameterChild (state, id).setProperty ("value", value, nullptr);
    return state;
}

juce::ValueTree userPreset (float threshold)
{
    return factoryWith (0, "threshold", threshold);
}

class PresetBrowser : public EditorFixture
{
protected:
    void startAs (const juce::String& name, const juce::String& kind)
    {
        auto state = processor.valueTreeState.copyState();
        state.setProperty ("tollovanePresetName", name, nullptr);
        state.setProperty ("tollovanePresetKind", kind, nullptr);
        processor.applyState (state);
    }

    juce::String listedNames()
    {
        juce::StringArray names;
        for (const auto& file : access().userPresetFiles())
            names.add (file.getFileNameWithoutExtension());
        return names.joinIntoString (", ");
    }

    // Every file anywhere below the temporary home, so a write outside the folder shows too;
    // desktop libraries may keep caches there once a window has been opened.
    juce::String filesUnderHome() const
    {
        juce::StringArray names;
        for (const auto& file : home.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no))
            if (! file.isAChildOf (home.getChildFile (".cache")))
                names.add (file.getRelativePathFrom (presetFolder()));
        names.sort (false);
        return names.joinIntoString (", ");
    }

    void expectIdentity (const juce::String& name, bool isUser, int index)
    {
        EXPECT_EQ (access().presetName(), name);
        EXPECT_EQ (access().isUserPreset(), isUser);
        EXPECT_EQ (access().currentPresetIndex(), index);
        EXPECT_EQ (access().presetMenuButton().getTitle(), name);
        EXPECT_EQ (access().deleteButton().isEnabled(), isUser && index >= 9);
    }

    void saveAs (const juce::String& typed) { access().saveAs (typed); }
};

// ---- where the folder is -------------------------------------------------------------------

TEST_F (PresetBrowser, TheFolderLiesInTheUsersApplicationDataAndBrowsingNeverCreatesIt)
{
    openEditor();
    EXPECT_EQ (editor->getPresetDirectory(), presetFolder());

    access().nextButton().onClick();
    access().previousButton().onClick();
    access().presetMenu();
    editor->refreshPresetList();

    EXPECT_FALSE (presetFolder().exists());
    EXPECT_TRUE (access().userPresetFiles().isEmpty());
}

// ---- the identity an editor opens with -----------------------------------------------------

struct IdentityCase
{
    const char* name;
    const char* stateName; // nullptr: no identity in the state
    const char* stateKind;
    const char* userFile; // nullptr: the folder is empty
    const char* shownName;
    bool isUser;
    int index;
};

class OpeningIdentity : public PresetBrowser, public testing::WithParamInterface<IdentityCase>
{
};

TEST_P (OpeningIdentity, IsReadFromTheStateAndTheFolder)
{
    const auto& c = GetParam();
    if (c.stateName != nullptr)
        startAs (c.stateName, c.stateKind);
    if (c.userFile != nullptr)
        writePresetFile (juce::String (c.userFile) + ".tollovane", userPreset (-30.0f));

    openEditor();
    expectIdentity (c.shownName, c.isUser, c.index);
}

// A name read from the host's state never selects a file other than the one it names, so the
// delete button can only ever remove the preset whose name is shown.
INSTANTIATE_TEST_SUITE_P (
    Table, OpeningIdentity,
    testing::Values (IdentityCase { "Fresh", nullptr, nullptr, nullptr, "Init", false, -1 },
                     IdentityCase { "Factory", "Drum Room", "factory", nullptr, "Drum Room", false, 1 },
                     IdentityCase { "ListedUserFile", "My Bus", "user", "My Bus", "My Bus", true, 9 },
                     IdentityCase { "KindIsCaseSensitive", "My Bus", "User", "My Bus", "My Bus", false, -1 },
                     IdentityCase { "UserFileGone", "Gone", "user", nullptr, "Gone", true, -1 },
                     IdentityCase { "UserFileGoneFallsBackToFactory", "Drum Room", "user", nullptr, "Drum Room", false, 1 },
                     IdentityCase { "NameWithAPathSelectsNoFile", "../Presets/My Bus", "user", "My Bus", "../Presets/My Bus", true, -1 },
                     IdentityCase { "NameIsMatchedAsAFileNameExactly", "my bus", "user", "My Bus", "my bus", true, -1 }),
    [] (const auto& row) { return std::string (row.param.name); });

// ---- previous and next ---------------------------------------------------------------------

struct StepCase
{
    const char* name;
    std::vector<const char*> userFiles;
    const char* startName; // nullptr: the initial preset
    bool startIsUser;
    bool forward;
    const char* expected;
    bool expectedIsUser;
};

class PresetStep : public PresetBrowser, public testing::WithParamInterface<StepCase>
{
};

TEST_P (PresetStep, WrapsAroundTheCombinedList)
{
    const auto& c = GetParam();
    for (const auto* file : c.userFiles)
        writePresetFile (juce::String (file) + ".tollovane", userPreset (-30.0f));
    if (c.startName != nullptr)
        startAs (c.startName, c.startIsUser ? "user" : "factory");
    openEditor();

    auto& button = c.forward ? access().nextButton() : access().previousButton();
    button.onClick();

    EXPECT_EQ (access().presetName(), c.expected);
    EXPECT_EQ (access().isUserPreset(), c.expectedIsUser);
    EXPECT_EQ (stateProperty ("tollovanePresetName"), c.expected);
    EXPECT_EQ (stateProperty ("tollovanePresetKind"), c.expectedIsUser ? "user" : "factory");
}

INSTANTIATE_TEST_SUITE_P (
    Table, PresetStep,
    testing::Values (StepCase { "PreviousFromFirstWrapsToLastFactory", {}, "Drum Bus Para", false, false, "Vocals Up Front", false },
                     StepCase { "NextFromLastFactoryWraps", {}, "Vocals Up Front", false, true, "Drum Bus Para", false },
                     StepCase { "NextFromInit", {}, nullptr, false, true, "Drum Bus Para", false },
                     StepCase { "PreviousFromInit", {}, nullptr, false, false, "Vocals Up Front", false },
                     StepCase { "PreviousFromInitGoesToLastUser", { "A", "B" }, nullptr, false, false, "B", true },
                     StepCase { "NextFromLastFactoryGoesToFirstUser", { "A", "B" }, "Vocals Up Front", false, true, "A", true },
                     StepCase { "NextFromLastUserWraps", { "A", "B" }, "B", true, true, "Drum Bus Para", false },
                     StepCase { "PreviousFromFirstFactoryGoesToLastUser", { "A", "B" }, "Drum Bus Para", false, false, "B", true },
                     StepCase { "PreviousFromFirstUser", { "A", "B" }, "A", true, false, "Vocals Up Front", false }),
    [] (const auto& row) { return std::string (row.param.name); });

// ---- loading -------------------------------------------------------------------------------

TEST_F (PresetBrowser, LoadingAFactoryPresetAppliesItsValuesAndItsIdentity)
{
    openEditor();
    editor->loadPreset (1);

    EXPECT_NEAR (parameter ("threshold"), drumRoomThreshold, 1.0e-4f);
    EXPECT_NEAR (access().knob ("Threshold").getValue(), drumRoomThreshold, 1.0e-4);
    expectIdentity ("Drum Room", false, 1);
    EXPECT_EQ (stateProperty ("tollovanePresetKind"), "factory");
}

TEST_F (PresetBrowser, AUserFileIsLoadedUnderItsFileNameWithEveryValueFinite)
{
    auto state = userPreset (-30.0f);
    state.setProperty ("tollovanePresetName", "Something Else", nullptr);
    parameterChild (state, "mix").setProperty ("value", "nan", nullptr);
    writePresetFile ("Bus A.tollovane", state);
    openEditor();

    editor->loadPreset (9);

    EXPECT_NEAR (parameter ("threshold"), -30.0f, 1.0e-4f);
    EXPECT_EQ (parameter ("mix"), 100.0f); // the default stands in for "nan"
    expectIdentity ("Bus A", true, 9);
    EXPECT_EQ (stateProperty ("tollovanePresetName"), "Bus A");
    EXPECT_EQ (stateProperty ("tollovanePresetKind"), "user");
}

struct UnloadableCase
{
    const char* name;
    std::string content;
};

class UnloadableUserFile : public PresetBrowser, public testing::WithParamInterface<UnloadableCase>
{
};

TEST_P (UnloadableUserFile, LeavesTheStateTheIdentityAndTheFileAsTheyWere)
{
    const auto file = writePresetFile ("Broken.tollovane", juce::String (GetParam().content));
    const auto bytesBefore = file.loadFileAsString();
    startAs ("Drum Room", "factory");
    ProcessorHarness::setParameter (processor, "threshold", drumRoomThreshold);
    openEditor();

    editor->loadPreset (9);

    EXPECT_NEAR (parameter ("threshold"), drumRoomThreshold, 1.0e-4f);
    expectIdentity ("Drum Room", false, 1);
    EXPECT_EQ (file.loadFileAsString(), bytesBefore);
}

INSTANTIATE_TEST_SUITE_P (
    Table, UnloadableUserFile,
    testing::Values (UnloadableCase { "NotXml", "this is not a preset" },
                     UnloadableCase { "AnotherRoot", "<OTHER><PARAM id=\"threshold\" value=\"-30\"/></OTHER>" },
                     UnloadableCase { "Truncated", "<?xml version=\"1.0\"?>\r\n<PARAMETERS>\r\n  <PARAM id=\"thresh" },
                     UnloadableCase { "Empty", "" },
                     UnloadableCase { "DeeplyNested", std::string (5000, '<') },
                     UnloadableCase { "SelfReferencingEntity",
                                      "<!DOCTYPE p [<!ENTITY a \"&a;\">]><PARAMETERS a=\"&a;\"/>" }),
    [] (const auto& row) { return std::string (row.param.name); });

// Whatever else lies in the folder, browsing, loading and saving go on, and nothing in it changes.
struct FolderFault
{
    const char* name;
    std::function<void (const juce::File& folder)> make;
};

class PresetFolderFault : public PresetBrowser, public testing::WithParamInterface<FolderFault>
{
};

TEST_P (PresetFolderFault, LeavesTheStateTheIdentityAndTheOtherFilesAlone)
{
    const auto kept = writePresetFile ("Kept.tollovane", userPreset (-31.0f));
    GetParam().make (presetFolder());
    const auto before = filesUnderHome();
    startAs ("Drum Room", "factory");
    ProcessorHarness::setParameter (processor, "threshold", drumRoomThreshold);
    openEditor();

    // Every listed entry loads or is refused; none of them disturbs the others.
    const int listed = access().userPresetFiles().size();
    for (int i = 9; i < 9 + listed; ++i)
        if (access().userPresetFiles()[i - 9] != kept)
            editor->loadPreset (i);
    EXPECT_NEAR (parameter ("threshold"), drumRoomThreshold, 1.0e-4f);
    expectIdentity ("Drum Room", false, 1);
    EXPECT_EQ (filesUnderHome(), before);

    // The editor stays usable: the kept preset loads, and a new one saves beside it.
    editor->loadPreset (9 + access().userPresetFiles().indexOf (kept));
    EXPECT_NEAR (parameter ("threshold"), -31.0f, 1.0e-4f);
    saveAs ("Fresh");
    EXPECT_TRUE (presetFolder().getChildFile ("Fresh.tollovane").existsAsFile());
    expectIdentity ("Fresh", true, 9 + access().userPresetFiles().indexOf (presetFolder().getChildFile ("Fresh.tollovane")));
}

INSTANTIATE_TEST_SUITE_P (
    Table, PresetFolderFault,
    testing::Values (
        FolderFault { "HundredMegabyteFile", [] (const juce::File& folder)
                      {
                          // Sparse, so the test does not write 100 MB; a reader sees it all.
                          const auto file = folder.getChildFile ("Huge.tollovane");
                          file.replaceWithText ("<?xml version=\"1.0\"?><PARAMETERS>");
                          std::filesystem::resize_file (file.getFullPathName().toStdString(), 100u << 20);
                      } },
        FolderFault { "BinaryJunk", [] (const juce::File& folder)
                      {
                          juce::MemoryBlock junk (4096);
                          juce::Random (7).fillBitsRandomly (junk.getData(), junk.getSize());
                          folder.getChildFile ("Junk.tollovane").replaceWithData (junk.getData(), junk.getSize());
                      } },
        FolderFault { "SymlinkLoop", [] (const juce::File& folder)
                      {
                          const auto loop = folder.getChildFile ("Loop.tollovane");
                          std::filesystem::create_symlink (loop.getFullPathName().toStdString(),
                                                           loop.getFullPathName().toStdString());
                      } },
        FolderFault { "FolderNamedLikeAPreset", [] (const juce::File& folder)
                      { folder.getChildFile ("Folder.tollovane").getChildFile ("inside.txt").create(); } },
        FolderFault { "DanglingLink", [] (const juce::File& folder)
                      {
                          std::filesystem::create_symlink (folder.getChildFile ("gone").getFullPathName().toStdString(),
                                                           folder.getChildFile ("Gone.tollovane").getFullPathName().toStdString());
                      } }),
    [] (const auto& row) { return std::string (row.param.name); });

TEST_F (PresetBrowser, AReadOnlyFolderLoadsButSavesNothing)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";

    writePresetFile ("Kept.tollovane", userPreset (-31.0f));
    presetFolder().setReadOnly (true, false);
    openEditor();

    editor->loadPreset (9);
    EXPECT_NEAR (parameter ("threshold"), -31.0f, 1.0e-4f);
    saveAs ("Refused");
    presetFolder().setReadOnly (false, false);

    EXPECT_FALSE (presetFolder().getChildFile ("Refused.tollovane").exists());
    expectIdentity ("Kept", true, 9);
}

TEST_F (PresetBrowser, AFileThatVanishedSinceTheMenuWasShownLoadsNothing)
{
    const auto file = writePresetFile ("Gone Soon.tollovane", userPreset (-30.0f));
    startAs ("Drum Room", "factory");
    openEditor();
    editor->refreshPresetList();
    const auto listed = access().userPresetFiles();

    file.deleteFile();
    access().choosePresetMenuResult (100, listed);

    expectIdentity ("Drum Room", false, 1);
    EXPECT_NEAR (parameter ("threshold"), -12.0f, 1.0e-4f);
}

TEST_F (PresetBrowser, IndicesOutsideTheListLoadNothing)
{
    writePresetFile ("Only.tollovane", userPreset (-30.0f));
    openEditor();

    for (const int index : { -1, 10, 1000 })
        editor->loadPreset (index);

    expectIdentity ("Init", false, -1);
    EXPECT_NEAR (parameter ("threshold"), -12.0f, 1.0e-4f);
}

// ---- the listing ---------------------------------------------------------------------------

struct CopyCase
{
    const char* name;
    const char* fileName;
    std::function<juce::String()> content;
    bool listed;
};

class FactoryCopy : public PresetBrowser, public testing::WithParamInterface<CopyCase>
{
};

TEST_P (FactoryCopy, IsHiddenOnlyWhenItHoldsExactlyTheFactoryValues)
{
    const auto& c = GetParam();
    const auto file = writePresetFile (c.fileName, c.content());
    openEditor();

    EXPECT_EQ (access().userPresetFiles().contains (file), c.listed);
    EXPECT_TRUE (file.existsAsFile()); // hiding never touches the file
}

juce::String drumRoomText()
{
    return TollovaneFactoryPresets::loadState (1).toXmlString();
}

INSTANTIATE_TEST_SUITE_P (
    Table, FactoryCopy,
    testing::Values (
        CopyCase { "ExactCopy", "Drum Room.tollovane", drumRoomText, false },
        CopyCase { "NameInOtherCase", "drum room.tollovane", drumRoomText, false },
        CopyCase { "CopyWithIdentity", "Drum Room.tollovane",
                   [] {
                       auto state = TollovaneFactoryPresets::loadState (1);
                       state.setProperty ("tollovanePresetName", "Drum Room", nullptr);
                       state.setProperty ("tollovanePresetKind", "user", nullptr);
                       return state.toXmlString();
                   },
                   false },
        CopyCase { "OneValueDiffers", "Drum Room.tollovane", [] { return factoryWith (1, "threshold", -22.2).toXmlString(); }, true },
        CopyCase { "SameValuesOtherName", "Room Copy.tollovane", drumRoomText, true },
        CopyCase { "SameValuesOtherFactoryName", "Drum Bus Para.tollovane", drumRoomText, true },
        CopyCase { "NonFiniteValue", "Drum Room.tollovane", [] { return factoryWith (1, "threshold", "nan").toXmlString(); }, true },
        CopyCase { "ExtraChild", "Drum Room.tollovane",
                   [] {
                       auto state = TollovaneFactoryPresets::loadState (1);
                       state.appendChild (juce::ValueTree ("PARAM").setProperty ("id", "extra", nullptr), nullptr);
                       return state.toXmlString();
                   },
                   true },
        CopyCase { "RepeatedId", "Drum Room.tollovane",
                   [] {
                       auto state = TollovaneFactoryPresets::loadState (1);
                       parameterChild (state, "attack").setProperty ("id", "threshold", nullptr);
                       return state.toXmlString();
                   },
                   true },
        CopyCase { "Unparsable", "Drum Room.tollovane", [] { return juce::String ("<PARAMETERS"); }, true }),
    [] (const auto& row) { return std::string (row.param.name); });

TEST_F (PresetBrowser, ListsPresetFilesOnlyInNaturalOrder)
{
    for (const auto* name : { "b10", "b2", "B1" })
        writePresetFile (juce::String (name) + ".tollovane", userPreset (-30.0f));
    writePresetFile ("notes.txt", userPreset (-30.0f));
    presetFolder().getChildFile ("Folder.tollovane").createDirectory();
    presetFolder().getChildFile ("Sub").getChildFile ("Nested.tollovane").create();

    openEditor();
    EXPECT_EQ (listedNames(), "B1, b2, b10");
}

// ---- the menu ------------------------------------------------------------------------------

struct MenuEntry
{
    int id;
    juce::String text;
    bool isHeader;
    bool isSeparator;

    bool operator== (const MenuEntry& other) const
    {
        return id == other.id && text == other.text && isHeader == other.isHeader && isSeparator == other.isSeparator;
    }
};

std::vector<MenuEntry> entriesOf (const juce::PopupMenu& menu)
{
    std::vector<MenuEntry> entries;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        EXPECT_TRUE (item.isEnabled);
        EXPECT_FALSE (item.isTicked);
        entries.push_back ({ item.itemID, item.text, item.isSectionHeader, item.isSeparator });
    }
    return entries;
}

std::vector<MenuEntry> factoryEntries()
{
    std::vector<MenuEntry> entries { { 0, "Factory Presets", true, false } };
    for (int i = 0; i < 9; ++i)
        entries.push_back ({ i + 1, TollovaneFactoryPresets::names[i], false, false });
    return entries;
}

TEST_F (PresetBrowser, MenuListsTheFactoryPresetsAndOnlyThenTheUserPresets)
{
    openEditor();
    EXPECT_EQ (entriesOf (access().presetMenu()), factoryEntries());

    writePresetFile ("b2.tollovane", userPreset (-30.0f));
    writePresetFile ("B1.tollovane", userPreset (-31.0f));
    editor->refreshPresetList();

    auto expected = factoryEntries();
    expected.insert (expected.end(), { { 0, {}, false, true }, { 0, "User Presets", true, false },
                                       { 100, "B1", false, false }, { 101, "b2", false, false } });
    EXPECT_EQ (entriesOf (access().presetMenu()), expected);
}

TEST_F (PresetBrowser, MenuChoicesLoadThePresetThatWasShown)
{
    writePresetFile ("B1.tollovane", userPreset (-31.0f));
    writePresetFile ("b2.tollovane", userPreset (-32.0f));
    openEditor();
    editor->refreshPresetList();
    const auto listed = access().userPresetFiles();

    access().choosePresetMenuResult (0, listed); // dismissed
    expectIdentity ("Init", false, -1);

    access().choosePresetMenuResult (3, listed);
    expectIdentity ("Guitar Clamp", false, 2);

    // A file that appears while the menu is open must not shift the user's choice.
    writePresetFile ("A0.tollovane", userPreset (-33.0f));
    access().choosePresetMenuResult (101, listed);
    expectIdentity ("b2", true, 11);
    EXPECT_NEAR (parameter ("threshold"), -32.0f, 1.0e-4f);
}

// ---- new -----------------------------------------------------------------------------------

TEST_F (PresetBrowser, NewResetsEveryParameterAndTheIdentity)
{
    openEditor();
    editor->loadPreset (1);
    ProcessorHarness::setParameter (processor, "makeup", 6.0f);

    access().newButton().onClick();

    TamberAudioProcessor fresh;
    for (auto* p : fresh.getParameters())
    {
        const auto id = dynamic_cast<juce::RangedAudioParameter*> (p)->getParameterID();
        EXPECT_NEAR (parameter (id), fresh.valueTreeState.getRawParameterValue (id)->load(), 1.0e-4f) << id;
    }
    expectIdentity ("Init", false, -1);
    EXPECT_EQ (stateProperty ("tollovanePresetName"), "Init");
    EXPECT_EQ (stateProperty ("tollovanePresetKind"), "init");
}

// ---- save ----------------------------------------------------------------------------------

struct ProposalCase
{
    const char* name;
    const char* startName; // nullptr: the initial preset
    bool isUser;
    const char* proposal;
};

class SaveProposal : public PresetBrowser, public testing::WithParamInterface<ProposalCase>
{
};

TEST_P (SaveProposal, OffersANameThatKeepsTheFactoryPresetApart)
{
    const auto& c = GetParam();
    if (c.startName != nullptr)
    {
        writePresetFile (juce::String (c.startName) + ".tollovane", userPreset (-30.0f));
        startAs (c.startName, c.isUser ? "user" : "factory");
    }
    openEditor();
    EXPECT_EQ (access().proposedSaveName(), c.proposal);
}

INSTANTIATE_TEST_SUITE_P (Table, SaveProposal,
                          testing::Values (ProposalCase { "Initial", nullptr, false, "My Preset" },
                                           ProposalCase { "Factory", "Drum Room", false, "Drum Room Copy" },
                                           ProposalCase { "User", "My Bus", true, "My Bus" }),
                          [] (const auto& row) { return std::string (row.param.name); });

struct SaveNameCase
{
    const char* name;
    const char* typed;
    const char* savedAs; // nullptr: nothing may be saved
};

class SaveName : public PresetBrowser, public testing::WithParamInterface<SaveNameCase>
{
};

TEST_P (SaveName, NeverLeavesThePresetFolder)
{
    const auto& c = GetParam();
    startAs ("Drum Room", "factory");
    ProcessorHarness::setParameter (processor, "threshold", -25.0f);
    openEditor();

    saveAs (c.typed);

    if (c.savedAs == nullptr)
    {
        EXPECT_EQ (filesUnderHome(), "");
        expectIdentity ("Drum Room", false, 1);
        EXPECT_EQ (stateProperty ("tollovanePresetName"), "Drum Room");
        return;
    }

    const auto fileName = juce::String (c.savedAs) + ".tollovane";
    EXPECT_EQ (filesUnderHome(), fileName);
    expectIdentity (c.savedAs, true, 9);
    EXPECT_EQ (stateProperty ("tollovanePresetName"), c.savedAs);
    EXPECT_EQ (stateProperty ("tollovanePresetKind"), "user");
}

INSTANTIATE_TEST_SUITE_P (
    Table, SaveName,
    testing::Values (SaveNameCase { "Plain", "Glue", "Glue" },
                     SaveNameCase { "Trimmed", "  My Bus  ", "My Bus" },
                     SaveNameCase { "IllegalCharactersDropped", "a/b:c", "abc" },
                     SaveNameCase { "SpacesLeftByDroppedCharactersTrimmed", "Bus /", "Bus" },
                     SaveNameCase { "ParentPathFlattened", "../../Outside", "....Outside" },
                     SaveNameCase { "OnlySpaces", "   ", nullptr },
                     SaveNameCase { "OnlyIllegal", "/:?", nullptr },
                     SaveNameCase { "ParentFolder", "..", nullptr },
                     SaveNameCase { "ThisFolder", ".", nullptr },
                     SaveNameCase { "OnlyDotsAfterDropping", "./..", nullptr }),
    [] (const auto& row) { return std::string (row.param.name); });

TEST_F (PresetBrowser, SavedFileIsTheWholeStateAndLoadsBack)
{
    ProcessorHarness::setParameter (processor, "threshold", -25.0f);
    ProcessorHarness::setParameter (processor, "ratio", 10.0f);
    openEditor();
    saveAs ("Round Trip");

    const auto file = presetFolder().getChildFile ("Round Trip.tollovane");
    const auto text = file.loadFileAsString();
    EXPECT_TRUE (text.startsWith ("<?xml")) << text;
    EXPECT_TRUE (text.contains ("\r\n"));

    const auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getStringAttribute ("tollovanePresetName"), "Round Trip");
    EXPECT_EQ (xml->getStringAttribute ("tollovanePresetKind"), "user");
    EXPECT_EQ (xml->getNumChildElements(), 12);

    access().newButton().onClick();
    access().choosePresetMenuResult (100, access().userPresetFiles());
    EXPECT_NEAR (parameter ("threshold"), -25.0f, 1.0e-4f);
    EXPECT_EQ (parameter ("ratio"), 10.0f);
}

TEST_F (PresetBrowser, SavingUnderAnExistingNameReplacesThatFileCompletely)
{
    writePresetFile ("My Bus.tollovane", userPreset (-30.0f));
    writePresetFile ("Other.tollovane", userPreset (-31.0f));
    ProcessorHarness::setParameter (processor, "threshold", -20.0f);
    openEditor();

    saveAs ("My Bus");

    EXPECT_EQ (filesUnderHome(), "My Bus.tollovane, Other.tollovane");
    const auto saved = StateDocument::parseFile (presetFolder().getChildFile ("My Bus.tollovane"));
    ASSERT_NE (saved, nullptr);
    EXPECT_NEAR (saved->getChildByAttribute ("id", "threshold")->getDoubleAttribute ("value"), -20.0, 1.0e-4);
}

TEST_F (PresetBrowser, ACopyOfAFactoryPresetIsWrittenButTheIdentityStaysFactory)
{
    openEditor();
    editor->loadPreset (1);

    saveAs ("Drum Room");
    EXPECT_TRUE (presetFolder().getChildFile ("Drum Room.tollovane").existsAsFile());
    EXPECT_TRUE (access().userPresetFiles().isEmpty());
    expectIdentity ("Drum Room", false, 1);

    ProcessorHarness::setParameter (processor, "threshold", -10.0f);
    saveAs ("Drum Room");
    EXPECT_EQ (listedNames(), "Drum Room");
    expectIdentity ("Drum Room", true, 9);
}

TEST_F (PresetBrowser, AFolderThatCannotBeCreatedSavesNothing)
{
    // A plain file where the maker's folder should be.
    const auto blocker = presetFolder().getParentDirectory();
    blocker.getParentDirectory().createDirectory();
    blocker.replaceWithText ("keep me");
    startAs ("Drum Room", "factory");
    openEditor();

    saveAs ("Anything");

    EXPECT_EQ (blocker.loadFileAsString(), "keep me");
    expectIdentity ("Drum Room", false, 1);
    EXPECT_EQ (stateProperty ("tollovanePresetName"), "Drum Room");
}

TEST_F (PresetBrowser, ATargetThatCannotBeWrittenSavesNothingAndLeavesNoTemporaryFile)
{
    const auto occupied = presetFolder().getChildFile ("Taken.tollovane");
    occupied.getChildFile ("inside.txt").create();
    writePresetFile ("Other.tollovane", userPreset (-31.0f));
    openEditor();

    saveAs ("Taken");

    EXPECT_EQ (filesUnderHome(), "Other.tollovane, Taken.tollovane/inside.txt");
    expectIdentity ("Init", false, -1);
}

// ---- the save dialog -----------------------------------------------------------------------

// JUCE lays an alert window out on a screen, so these need an X display (CTest runs them again
// under Xvfb); everything the dialog's callback does is covered above without one.
class SaveDialog : public PresetBrowser
{
protected:
    void SetUp() override
    {
        if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
            GTEST_SKIP() << "no display";
    }

    void openSaveDialog() { access().saveButton().onClick(); }

    void typeName (const juce::String& typed)
    {
        ASSERT_NE (access().saveDialog(), nullptr);
        access().saveDialog()->getTextEditor ("name")->setText (typed, false);
    }

    void clickDialogButton (const juce::String& text)
    {
        auto* dialog = access().saveDialog();
        ASSERT_NE (dialog, nullptr);
        for (auto* child : dialog->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == text)
                button->triggerClick();
        dispatchPendingMessages();
    }
};

TEST_F (SaveDialog, ProposesANameAndSavesWhatIsTypedThere)
{
    startAs ("Drum Room", "factory");
    openEditor();
    openSaveDialog();

    auto* dialog = access().saveDialog();
    ASSERT_NE (dialog, nullptr);
    EXPECT_TRUE (dialog->isCurrentlyModal());
    EXPECT_EQ (dialog->getName(), "Save Tollovane Preset");
    EXPECT_EQ (dialog->getTextEditorContents ("name"), "Drum Room Copy");

    typeName ("a/b:c");
    clickDialogButton ("Save");

    EXPECT_EQ (access().saveDialog(), nullptr);
    EXPECT_EQ (filesUnderHome(), "abc.tollovane");
    expectIdentity ("abc", true, 9);
}

TEST_F (SaveDialog, CancelSavesNothingAndClosesTheDialog)
{
    openEditor();
    openSaveDialog();
    typeName ("Not Wanted");
    clickDialogButton ("Cancel");

    EXPECT_EQ (access().saveDialog(), nullptr);
    EXPECT_FALSE (presetFolder().exists());
    expectIdentity ("Init", false, -1);
}

TEST_F (SaveDialog, SaveWhileTheDialogIsOpenOnlyBringsItToTheFront)
{
    openEditor();
    openSaveDialog();
    auto* first = access().saveDialog();
    typeName ("Typed So Far");

    openSaveDialog();
    EXPECT_EQ (access().saveDialog(), first);
    EXPECT_EQ (first->getTextEditorContents ("name"), "Typed So Far");
}

TEST_F (SaveDialog, ClosingTheEditorWithTheDialogOpenSavesNothing)
{
    openEditor();
    openSaveDialog();
    typeName ("Half Typed");

    closeEditor();
    dispatchPendingMessages(); // the dialog's callback runs now and finds no editor

    EXPECT_FALSE (presetFolder().exists());
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
    EXPECT_TRUE (stateProperty ("tollovanePresetName").isEmpty());
}

// ---- delete --------------------------------------------------------------------------------

TEST_F (PresetBrowser, DeletingTheOnlyUserPresetLoadsTheFirstFactoryPreset)
{
    writePresetFile ("Mine.tollovane", userPreset (-30.0f));
    writePresetFile ("Drum Room.tollovane", drumRoomText()); // a hidden copy
    writePresetFile ("notes.txt", juce::String ("not a preset"));
    startAs ("Mine", "user");
    openEditor();

    access().deleteButton().onClick();

    EXPECT_EQ (filesUnderHome(), "Drum Room.tollovane, notes.txt");
    expectIdentity ("Drum Bus Para", false, 0);
    EXPECT_NEAR (parameter ("threshold"), drumBusParaThreshold, 1.0e-4f);
}

TEST_F (PresetBrowser, DeleteRemovesOnlyTheCurrentPresetsFile)
{
    for (const auto* name : { "A", "B", "C" })
        writePresetFile (juce::String (name) + ".tollovane", userPreset (-30.0f));
    startAs ("B", "user");
    openEditor();

    access().deleteButton().onClick();
    EXPECT_EQ (filesUnderHome(), "A.tollovane, C.tollovane");
}

TEST_F (PresetBrowser, DeleteDoesNothingWhileAFactoryPresetIsShown)
{
    writePresetFile ("A.tollovane", userPreset (-30.0f));
    startAs ("Drum Room", "factory");
    openEditor();

    access().deleteButton().onClick();
    EXPECT_EQ (filesUnderHome(), "A.tollovane");
    expectIdentity ("Drum Room", false, 1);
}

TEST_F (PresetBrowser, DeletingALinkedPresetRemovesTheLinkNotItsTarget)
{
    const auto target = home.getChildFile ("elsewhere.xml");
    target.replaceWithText (userPreset (-30.0f).toXmlString());
    presetFolder().createDirectory();
    ASSERT_EQ (symlink (target.getFullPathName().toRawUTF8(),
                        presetFolder().getChildFile ("Linked.tollovane").getFullPathName().toRawUTF8()),
               0);
    startAs ("Linked", "user");
    openEditor();
    ASSERT_EQ (access().currentPresetIndex(), 9);

    access().deleteButton().onClick();

    EXPECT_FALSE (presetFolder().getChildFile ("Linked.tollovane").existsAsFile());
    EXPECT_TRUE (target.existsAsFile());
}
} // namespace
