#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// The settings document: read from host blobs, preset files and the embedded factory presets.
// All of these come from outside the instance, so every reader bounds the text before JUCE's
// recursive XML parser sees it, and returns nullptr for anything it will not accept.
namespace StateDocument
{
// The document inside a blob written by juce::AudioProcessor::copyXmlToBinary.
std::unique_ptr<juce::XmlElement> parseBlob (const void* data, int sizeInBytes);

// The document in a preset file: UTF-8 with or without a byte-order mark, or UTF-16 with one.
std::unique_ptr<juce::XmlElement> parseFile (const juce::File& file);

// The document in numBytes of UTF-8 text; a zero byte ends the text early.
std::unique_ptr<juce::XmlElement> parseText (const char* text, size_t numBytes);

// Prepares a state tree for AudioProcessorValueTreeState::replaceState so that every parameter
// ends up with a defined, finite value: the first child carrying a parameter's id decides it, later
// ones are removed; a value that is missing or not a finite number becomes the default; a
// parameter without a child gets one holding its default, so the next save writes every value.
void resolveParameters (juce::ValueTree& state, const juce::Array<juce::AudioProcessorParameter*>& parameters);
} // namespace StateDocument
