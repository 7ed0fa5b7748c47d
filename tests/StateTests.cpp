#include "ProcessorHarness.h"
#include "StateDocument.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

using namespace ProcessorHarness;

namespace
{
using Values = std::map<juce::String, float>;

// The parameter table's defaults, in the id order the tree state writes its children.
const Values defaults { { "attack", 8.0f },    { "autoMakeup", 0.0f }, { "detector", 0.0f },    { "harm", 0.0f },
                        { "makeup", 0.0f },    { "mix", 100.0f },      { "ratio", 4.0f },       { "release", 3.0f },
                        { "sidechainHp", 0.0f }, { "sync", 0.0f },     { "threshold", -12.0f }, { "wide", 0.0f } };

// Every parameter away from its default, each on its own grid.
const Values modified { { "attack", 33.3f },      { "autoMakeup", 1.0f }, { "detector", 1.0f },    { "harm", 25.0f },
                        { "makeup", -6.5f },      { "mix", 70.0f },       { "ratio", 10.0f },      { "release", 7.0f },
                        { "sidechainHp", 120.0f }, { "sync", 1.0f },      { "threshold", -20.5f }, { "wide", 40.0f } };

constexpr juce::uint32 blobMagic = 0x21324356; // "VC2!"

Values valuesOf (TamberAudioProcessor& processor)
{
    Values values;
    for (const auto& entry : defaults)
        values[entry.first] = processor.valueTreeState.getRawParameterValue (entry.first)->load();
    return values;
}

void expectNear (const Values& actual, const Values& expected)
{
    for (const auto& [id, value] : expected)
        EXPECT_NEAR (actual.at (id), value, 1.0e-4f) << id;
}

void setValues (TamberAudioProcessor& processor, const Values& values)
{
    for (const auto& [id, value] : values)
        setParameter (processor, id, value);
}

juce::MemoryBlock save (TamberAudioProcessor& processor)
{
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    return blob;
}

void restore (TamberAudioProcessor& processor, const juce::MemoryBlock& blob)
{
    processor.setStateInformation (blob.getData(), (int) blob.getSize());
}

// Hosts restore state on threads of their own, whose stacks can be far smaller than the main
// thread's 8 MiB.
class HostStateThread final : public juce::Thread
{
public:
    HostStateThread (TamberAudioProcessor& p, const juce::MemoryBlock& b)
        : juce::Thread ("host state", 256 * 1024), processor (p), blob (b)
    {
    }

    void run() override { restore (processor, blob); }

private:
    TamberAudioProcessor& processor;
    const juce::MemoryBlock& blob;
};

void restoreOnHostThread (TamberAudioProcessor& processor, const juce::MemoryBlock& blob)
{
    HostStateThread thread (processor, blob);
    ASSERT_TRUE (thread.startThread());
    thread.waitForThreadToExit (-1);
}

// A blob laid out as copyXmlToBinary lays it out, around any bytes at all.
juce::MemoryBlock blobOf (const std::string& text, juce::uint32 magic = blobMagic)
{
    juce::MemoryOutputStream out;
    out.writeInt ((int) magic);
    out.writeInt ((int) text.size());
    out.write (text.data(), text.size());
    out.writeByte (0);
    return out.getMemoryBlock();
}

juce::MemoryBlock withLengthField (juce::MemoryBlock blob, juce::uint32 length)
{
    const auto littleEndian = juce::ByteOrder::swapIfBigEndian (length);
    blob.copyFrom (&littleEndian, 4, sizeof (littleEndian));
    return blob;
}

std::string param (const std::string& id, const std::string& value)
{
    return "<PARAM id=\"" + id + "\" value=\"" + value + "\"/>";
}

std::string document (const std::string& children, const std::string& root = "PARAMETERS")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <" + root + ">" + children + "</" + root + ">";
}

std::string repeated (const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

template <typename Row>
std::string rowName (const testing::TestParamInfo<Row>& row)
{
    return row.param.name;
}

juce::String textOf (const juce::MemoryBlock& blob)
{
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, (int) blob.getSize() - 9);
}
} // namespace

//==============================================================================
TEST (StateBlob, AFreshInstanceWritesItsDefaultsInJucesWrapper)
{
    TamberAudioProcessor processor;
    const auto blob = save (processor);
    ASSERT_GT (blob.getSize(), 9u);

    const auto* bytes = static_cast<const char*> (blob.getData());
    EXPECT_EQ (std::string (bytes, 4), "VC2!");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (juce::uint32) blob.getSize() - 9);
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);

    const auto text = textOf (blob);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));

    const auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("PARAMETERS"));
    ASSERT_EQ (xml->getNumChildElements(), 12);

    auto expected = defaults.begin();
    for (auto* child : xml->getChildIterator())
    {
        EXPECT_TRUE (child->hasTagName ("PARAM"));
        EXPECT_EQ (child->getStringAttribute ("id"), expected->first);
        EXPECT_EQ ((float) child->getDoubleAttribute ("value"), expected->second) << expected->first;
        ++expected;
    }
}

TEST (StateBlob, RoundTripRestoresEverythingTheDocumentHolds)
{
    TamberAudioProcessor original;
    setValues (original, modified);

    // The identity the editor writes, with characters that need escaping, and entries a later
    // version might add.
    auto tree = original.valueTreeState.copyState();
    tree.setProperty ("tollovanePresetName", juce::String::fromUTF8 ("Bass & \"Keys\" <2> \xc3\xbc"), nullptr);
    tree.setProperty ("tollovanePresetKind", "user", nullptr);
    tree.setProperty ("futureSetting", "on", nullptr);
    tree.appendChild (juce::ValueTree ("PARAM").setProperty ("id", "futureKnob", nullptr).setProperty ("value", 3.5, nullptr),
                      nullptr);
    ASSERT_TRUE (original.applyState (tree));

    TamberAudioProcessor restored;
    restore (restored, save (original));

    EXPECT_EQ (valuesOf (restored), valuesOf (original));
    expectNear (valuesOf (restored), modified);

    // Saved again, so what survives is what the next project save would hold.
    TamberAudioProcessor again;
    restore (again, save (restored));
    const auto state = again.valueTreeState.copyState();
    EXPECT_EQ (state["tollovanePresetName"].toString(), juce::String::fromUTF8 ("Bass & \"Keys\" <2> \xc3\xbc"));
    EXPECT_EQ (state["tollovanePresetKind"].toString(), "user");
    EXPECT_EQ (state["futureSetting"].toString(), "on");
    const auto future = state.getChildWithProperty ("id", "futureKnob");
    ASSERT_TRUE (future.isValid());
    EXPECT_EQ ((double) future["value"], 3.5);
    EXPECT_EQ (state.getNumChildren(), 13);
}

TEST (StateBlob, AStateTreeOfAnotherTypeIsNotApplied)
{
    TamberAudioProcessor processor;
    setValues (processor, modified);
    const auto before = valuesOf (processor);

    EXPECT_FALSE (processor.applyState ({}));
    EXPECT_FALSE (processor.applyState (juce::ValueTree ("STATE").setProperty ("threshold", -20, nullptr)));
    EXPECT_EQ (valuesOf (processor), before);
}

//==============================================================================
struct BlobCase
{
    const char* name;
    std::function<juce::MemoryBlock()> makeBlob;
};

static void PrintTo (const BlobCase& row, std::ostream* os)
{
    *os << row.name;
}

class RejectedBlob : public testing::TestWithParam<BlobCase>
{
};

TEST_P (RejectedBlob, LeavesTheInstanceAsItWas)
{
    TamberAudioProcessor processor;
    setValues (processor, modified);
    processor.valueTreeState.state.setProperty ("tollovanePresetName", "Kept", nullptr);
    const auto valuesBefore = valuesOf (processor);
    const auto blobBefore = save (processor);

    restoreOnHostThread (processor, GetParam().makeBlob());

    EXPECT_EQ (valuesOf (processor), valuesBefore);
    EXPECT_EQ (save (processor), blobBefore);
}

// Every row but the malformed ones would set threshold to -20 if it were read.
const std::string validChildren = param ("threshold", "-20");

INSTANTIATE_TEST_SUITE_P (
    StateBlob, RejectedBlob,
    testing::Values (
        BlobCase { "Empty", [] { return juce::MemoryBlock(); } },
        BlobCase { "EightBytesOfAValidBlob", [] { return juce::MemoryBlock (blobOf (document (validChildren)).getData(), 8); } },
        BlobCase { "WrongMagic", [] { return blobOf (document (validChildren), 0x21334356); } },
        BlobCase { "ZeroLength", [] { return withLengthField (blobOf (document (validChildren)), 0); } },
        BlobCase { "NegativeLength", [] { return withLengthField (blobOf (document (validChildren)), 0x80000000u); } },
        BlobCase { "OtherRoot", [] { return blobOf (document (validChildren, "STATE")); } },
        BlobCase { "NotXml", [] { return blobOf ("threshold = -20"); } },
        BlobCase { "Truncated", [] { return blobOf (document (validChildren + param ("mix", "50")).substr (0, 70)); } },
        BlobCase { "Latin1Text", [] { return blobOf (document ("<PARAM id=\"threshold\" value=\"-20\" note=\"caf\xe9\"/>")); } },
        BlobCase { "EncodedSurrogate", [] { return blobOf (document ("<PARAM id=\"threshold\" value=\"-20\" note=\"\xed\xa0\x80\"/>")); } },
        BlobCase { "RepeatedAttribute", [] { return blobOf (document ("<PARAM id=\"threshold\" value=\"-20\" value=\"5\"/>")); } },
        BlobCase { "NestedDeeperThanAHostStack",
                   [] { return blobOf (document ("<PARAM id=\"threshold\" value=\"-20\">" + repeated ("<a>", 8000)
                                                 + repeated ("</a>", 8000) + "</PARAM>")); } },
        // An entity that names itself makes JUCE's parser recurse until the stack runs out.
        BlobCase { "SelfReferencingEntity",
                   [] { return blobOf ("<!DOCTYPE x [a b <!ENTITY e \"<a>&e;</a>\">]><PARAMETERS>&e;</PARAMETERS>"); } },
        // A processing instruction inside an element, followed by text, sends JUCE's parser round
        // for ever: a project could hang its host on opening.
        BlobCase { "ProcessingInstructionInsideAnElement", [] { return blobOf (document (validChildren + "<?" "?>x")); } },
        BlobCase { "LargerThanAnyState",
                   [] { return blobOf (document (validChildren + "<!--" + std::string (70000, 'x') + "-->")); } }),
    rowName<BlobCase>);

//==============================================================================
struct DocumentCase
{
    const char* name;
    std::function<juce::MemoryBlock()> makeBlob;
    Values changes; // from the defaults
};

static void PrintTo (const DocumentCase& row, std::ostream* os)
{
    *os << row.name;
}

class AcceptedBlob : public testing::TestWithParam<DocumentCase>
{
};

TEST_P (AcceptedBlob, SetsEveryParameterToAFiniteDefinedValue)
{
    TamberAudioProcessor processor;
    setValues (processor, modified);

    restoreOnHostThread (processor, GetParam().makeBlob());

    auto expected = defaults;
    for (const auto& [id, value] : GetParam().changes)
        expected[id] = value;

    const auto values = valuesOf (processor);
    expectNear (values, expected);

    // The next save must hold the same values, or a reload would change them.
    TamberAudioProcessor reloaded;
    restore (reloaded, save (processor));
    EXPECT_EQ (valuesOf (reloaded), values);
}

INSTANTIATE_TEST_SUITE_P (
    StateBlob, AcceptedBlob,
    testing::Values (
        DocumentCase { "OnlyThreshold", [] { return blobOf (document (param ("threshold", "-20"))); }, { { "threshold", -20.0f } } },
        DocumentCase { "ThresholdAboveItsRange", [] { return blobOf (document (param ("threshold", "50"))); }, { { "threshold", 10.0f } } },
        DocumentCase { "RatioBeyondAllIn", [] { return blobOf (document (param ("ratio", "12"))); }, { { "ratio", 10.0f } } },
        DocumentCase { "ValueIsText", [] { return blobOf (document (param ("threshold", "loud"))); }, { { "threshold", 0.0f } } },
        DocumentCase { "NotANumber", [] { return blobOf (document (param ("threshold", "nan") + param ("mix", "NaN"))); }, {} },
        DocumentCase { "Infinities", [] { return blobOf (document (param ("threshold", "inf") + param ("attack", "-inf"))); }, {} },
        DocumentCase { "BeyondFloat", [] { return blobOf (document (param ("makeup", "1e300"))); }, { { "makeup", 24.0f } } },
        DocumentCase { "ExponentBeyondAnInt", [] { return blobOf (document (param ("harm", "70.9e10052587891") + param ("wide", "5e-10052587891"))); }, {} },
        DocumentCase { "NumberWithLeadingBlanksAndPlus", [] { return blobOf (document (param ("wide", " +25.5abc"))); }, { { "wide", 25.5f } } },
        DocumentCase { "DuplicateIdsTakeTheFirst",
                       [] { return blobOf (document (param ("threshold", "-20") + param ("threshold", "-30") + param ("threshold", "nan"))); },
                       { { "threshold", -20.0f } } },
        DocumentCase { "ChildWithoutValue", [] { return blobOf (document ("<PARAM id=\"threshold\"/>" + param ("mix", "40"))); }, { { "mix", 40.0f } } },
        DocumentCase { "UnknownIdsAndElements",
                       [] { return blobOf (document (param ("Threshold", "3") + "<CURVE points=\"4\"><PARAM id=\"mix\" value=\"1\"/></CURVE>"
                                                     + param ("wide", "25"))); },
                       { { "wide", 25.0f } } },
        DocumentCase { "TextBetweenElements", [] { return blobOf (document ("hello " + param ("wide", "25") + " world")); }, { { "wide", 25.0f } } },
        DocumentCase { "LengthFieldBeyondTheData",
                       [] { return withLengthField (blobOf (document (param ("wide", "25"))), 1u << 30); },
                       { { "wide", 25.0f } } },
        DocumentCase { "ZeroByteEndsTheText",
                       [] { return blobOf (document (param ("wide", "25")) + std::string (1, '\0') + "<garbage"); },
                       { { "wide", 25.0f } } }),
    rowName<DocumentCase>);

//==============================================================================
TEST (StateDocumentFile, ReadsWhatAnEditorMightSaveAndNothingBeyondTheBound)
{
    const TemporaryFolder temporary ("tollovane-state-test");
    const auto folder = temporary.get();

    const std::string text = document (param ("threshold", "-20"));
    const auto utf16 = [&] (bool bigEndian)
    {
        std::string bytes = bigEndian ? "\xfe\xff" : "\xff\xfe";
        for (const char c : text)
            bytes += bigEndian ? std::string { '\0', c } : std::string { c, '\0' };
        return bytes;
    };

    const struct
    {
        const char* name;
        std::string bytes;
        bool parses;
    } cases[] = {
        { "utf8", text, true },
        { "utf8-bom", "\xef\xbb\xbf" + text, true },
        { "utf16-le", utf16 (false), true },
        { "utf16-be", utf16 (true), true },
        { "empty", "", false },
        { "huge", document (param ("threshold", "-20") + "<!--" + std::string (200000, 'x') + "-->"), false },
    };

    for (const auto& c : cases)
    {
        const auto file = folder.getChildFile (juce::String (c.name) + ".tollovane");
        ASSERT_TRUE (file.replaceWithData (c.bytes.data(), c.bytes.size()));
        const auto xml = StateDocument::parseFile (file);
        EXPECT_EQ (xml != nullptr, c.parses) << c.name;
        if (xml != nullptr)
        {
            EXPECT_EQ (xml->getChildByName ("PARAM")->getStringAttribute ("value"), "-20") << c.name;
        }
    }

    EXPECT_TRUE (StateDocument::parseFile (folder.getChildFile ("missing.tollovane")) == nullptr);
    EXPECT_TRUE (StateDocument::parseFile (folder) == nullptr);

    // A device reports no size and never ends: it must be read only up to the bound.
    const juce::File endless ("/dev/zero");
    if (endless.exists())
    {
        EXPECT_TRUE (StateDocument::parseFile (endless) == nullptr);
    }
}
