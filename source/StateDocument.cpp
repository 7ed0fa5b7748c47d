#include "StateDocument.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace
{
// Real documents are under 1 KiB, even with a long preset name.
constexpr size_t largestDocumentBytes = 64 * 1024;
// UTF-16 needs up to twice the bytes of UTF-8 for the same document.
constexpr size_t largestFileBytes = 2 * largestDocumentBytes + 2;
// JUCE's parser recurses once per nesting level, about 300 bytes of stack each, and every level
// starts with a '<'. Limiting the '<' count to 256 keeps a hostile document under 100 KiB of stack
// on whatever thread the host restores state; a real document has 15.
constexpr auto mostMarkupCharacters = 256;

constexpr juce::uint32 blobMagic = 0x21324356; // "VC2!", as copyXmlToBinary writes it
constexpr int blobHeaderBytes = 8;             // the magic, then the length of the text

// Names used by juce::AudioProcessorValueTreeState for its children.
const juce::Identifier parameterType { "PARAM" };
const juce::Identifier idProperty { "id" };
const juce::Identifier valueProperty { "value" };

struct Utf8Lead
{
    int continuationBytes; // -1: the byte cannot start a character
    unsigned char secondLow, secondHigh;
};

// Strict UTF-8: overlong forms, surrogates and anything above U+10FFFF are refused by narrowing
// the range of the second byte.
Utf8Lead classifyLeadByte (unsigned char c)
{
    if (c < 0x80) return { 0, 0, 0 };
    if (c >= 0xc2 && c <= 0xdf) return { 1, 0x80, 0xbf };
    if (c == 0xe0) return { 2, 0xa0, 0xbf };
    if (c == 0xed) return { 2, 0x80, 0x9f };
    if (c >= 0xe1 && c <= 0xef) return { 2, 0x80, 0xbf };
    if (c == 0xf0) return { 3, 0x90, 0xbf };
    if (c >= 0xf1 && c <= 0xf3) return { 3, 0x80, 0xbf };
    if (c == 0xf4) return { 3, 0x80, 0x8f };
    return { -1, 0, 0 };
}

bool isValidUtf8 (const char* text, size_t numBytes)
{
    const auto* bytes = reinterpret_cast<const unsigned char*> (text);

    for (size_t i = 0; i < numBytes;)
    {
        const auto lead = classifyLeadByte (bytes[i]);
        if (lead.continuationBytes < 0 || numBytes - i <= (size_t) lead.continuationBytes)
            return false;

        if (lead.continuationBytes > 0 && (bytes[i + 1] < lead.secondLow || bytes[i + 1] > lead.secondHigh))
            return false;

        for (int k = 2; k <= lead.continuationBytes; ++k)
            if ((bytes[i + (size_t) k] & 0xc0) != 0x80)
                return false;

        i += 1 + (size_t) lead.continuationBytes;
    }

    return true;
}

// Looks no further than limit, so a huge blob is never scanned to its end.
size_t lengthUpToZero (const char* text, size_t limit)
{
    const auto* zero = static_cast<const char*> (std::memchr (text, 0, limit));
    return zero != nullptr ? (size_t) (zero - text) : limit;
}

// XML forbids repeating an attribute. JUCE would keep both, read the first and write the last
// back, so such a document would change its meaning on the next save.
bool repeatsAnAttribute (const juce::XmlElement& element)
{
    juce::StringArray names;
    for (int i = 0; i < element.getNumAttributes(); ++i)
        names.add (element.getAttributeName (i));

    names.sort (false);
    for (int i = 1; i < names.size(); ++i)
        if (names[i] == names[i - 1])
            return true;

    return false;
}

// Text nodes are dropped on the way down: a ValueTree has no place for them, and fromXml asserts
// when it meets one.
bool prepareForValueTree (juce::XmlElement& element)
{
    if (repeatsAnAttribute (element))
        return false;

    element.deleteAllTextElements();

    for (auto* child : element.getChildIterator())
        if (! prepareForValueTree (*child))
            return false;

    return true;
}

bool isUtf16 (const char* data, size_t numBytes)
{
    return numBytes >= 2
           && (juce::CharPointer_UTF16::isByteOrderMarkBigEndian (data)
               || juce::CharPointer_UTF16::isByteOrderMarkLittleEndian (data));
}

struct ParameterDefault
{
    juce::String id;
    double value;
};

// In id order, the order in which JUCE's tree state creates its own children.
std::vector<ParameterDefault> defaultsInIdOrder (const juce::Array<juce::AudioProcessorParameter*>& parameters)
{
    std::vector<ParameterDefault> defaults;

    for (auto* parameter : parameters)
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            defaults.push_back ({ ranged->getParameterID(),
                                  (double) ranged->convertFrom0to1 (ranged->getDefaultValue()) });

    std::sort (defaults.begin(), defaults.end(), [] (const auto& a, const auto& b) { return a.id < b.id; });
    return defaults;
}

// JUCE's tree state binds each parameter to the last child with its id; removing the later ones
// makes the first decide, and keeps the next save from bringing a stale duplicate back.
juce::ValueTree keepOnlyFirstChildWithId (juce::ValueTree& state, const juce::String& id)
{
    juce::ValueTree first;

    for (int i = 0; i < state.getNumChildren();)
    {
        const auto child = state.getChild (i);

        if (child.getProperty (idProperty).toString() != id)
            ++i;
        else if (! first.isValid())
            first = state.getChild (i++);
        else
            state.removeChild (i, nullptr);
    }

    return first;
}

// JUCE's own reading of a number overflows an int on a long exponent ("1e10052587891") and reads
// "nan" and "inf" as such, so values are read here and stored back as numbers: JUCE never parses
// their text. As in JUCE, leading blanks and a '+' are skipped, the number ends where the text stops
// being one, and a text that does not start with a number reads as 0. Nothing: no usable value.
std::optional<double> finiteValueOf (const juce::ValueTree& child)
{
    const auto* value = child.getPropertyPointer (valueProperty);
    if (value == nullptr)
        return std::nullopt;

    if (! value->isString())
        return std::isfinite ((double) *value) ? std::optional<double> ((double) *value) : std::nullopt;

    const auto text = value->toString().trimStart().toStdString();
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;

    double number = 0.0;
    const auto error = std::from_chars (begin, end, number).ec;
    if (error == std::errc::invalid_argument)
        return 0.0;
    if (error != std::errc() || ! std::isfinite (number))
        return std::nullopt;
    return number;
}

// JUCE's parser goes round for ever on a processing instruction inside an element when text
// follows it ("<E><??>x"). State documents carry none but the XML declaration at the top.
bool hasProcessingInstructionAfterDeclaration (const juce::String& document)
{
    auto rest = document.trimStart();
    if (rest[0] == 0xfeff) // a byte-order mark
        rest = rest.substring (1).trimStart();
    if (rest.startsWith ("<?xml"))
        rest = rest.fromFirstOccurrenceOf ("?>", false, false);
    return rest.contains ("<?");
}
} // namespace

namespace StateDocument
{
std::unique_ptr<juce::XmlElement> parseText (const char* text, size_t numBytes)
{
    if (text == nullptr)
        return {};

    const auto length = lengthUpToZero (text, std::min (numBytes, largestDocumentBytes + 1));
    if (length > largestDocumentBytes || ! isValidUtf8 (text, length)
        || std::count (text, text + length, '<') > mostMarkupCharacters)
        return {};

    const auto document = juce::String::fromUTF8 (text, (int) length);

    // A DTD is the one way to make JUCE's parser recurse without a '<' per level: an entity that
    // names itself overflows the stack. State documents never carry one.
    if (document.containsIgnoreCase ("<!DOCTYPE") || hasProcessingInstructionAfterDeclaration (document))
        return {};

    auto element = juce::XmlDocument::parse (document);
    if (element == nullptr || ! prepareForValueTree (*element))
        return {};

    return element;
}

std::unique_ptr<juce::XmlElement> parseBlob (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= blobHeaderBytes)
        return {};

    const auto* bytes = static_cast<const char*> (data);
    if (juce::ByteOrder::littleEndianInt (bytes) != blobMagic)
        return {};

    // A length field larger than the data is tolerated: only the bytes present are read.
    const auto length = (int) juce::ByteOrder::littleEndianInt (bytes + 4);
    if (length <= 0)
        return {};

    return parseText (bytes + blobHeaderBytes, (size_t) std::min (length, sizeInBytes - blobHeaderBytes));
}

std::unique_ptr<juce::XmlElement> parseFile (const juce::File& file)
{
    juce::FileInputStream stream (file);
    if (! stream.openedOk())
        return {};

    // Read with a limit rather than by the reported size, which a device or a pipe does not have.
    juce::MemoryBlock bytes;
    stream.readIntoMemoryBlock (bytes, (juce::pointer_sized_int) largestFileBytes + 1);
    if (bytes.getSize() > largestFileBytes)
        return {};

    const auto* data = static_cast<const char*> (bytes.getData());
    const auto size = bytes.getSize();

    if (isUtf16 (data, size))
    {
        const auto text = juce::String::createStringFromData (data, (int) size);
        return parseText (text.toRawUTF8(), text.getNumBytesAsUTF8());
    }

    if (size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (data))
        return parseText (data + 3, size - 3);

    return parseText (data, size);
}

void resolveParameters (juce::ValueTree& state, const juce::Array<juce::AudioProcessorParameter*>& parameters)
{
    for (const auto& [id, defaultValue] : defaultsInIdOrder (parameters))
    {
        auto child = keepOnlyFirstChildWithId (state, id);

        if (! child.isValid())
        {
            child = juce::ValueTree (parameterType);
            child.setProperty (idProperty, id, nullptr);
            state.appendChild (child, nullptr);
        }

        child.setProperty (valueProperty, finiteValueOf (child).value_or (defaultValue), nullptr);
    }
}
} // namespace StateDocument
