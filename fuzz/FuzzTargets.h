#pragma once

#include <cstddef>
#include <cstdint>

// The checks behind each fuzz target. They abort on any broken promise, so the fuzzers can find
// inputs that break them and the unit tests can replay the seed and regression inputs.
namespace FuzzTargets
{
// Host state blobs come from project files and other programs: whatever the bytes, restoring must
// not crash, must leave every parameter finite and in range, and what is saved afterwards must
// restore to itself.
void restoreState (const std::uint8_t* data, std::size_t size);

// A user preset file holds whatever text ended up on disk: loading it the way the preset browser
// does must not crash and must leave every parameter finite and in range.
void loadPresetFile (const std::uint8_t* data, std::size_t size);

// Resource lookups take names from callers: a lookup returns nothing or one of the embedded
// resources with its own size, and the factory preset lookups stay in range.
void lookUpResources (const std::uint8_t* data, std::size_t size);
} // namespace FuzzTargets
