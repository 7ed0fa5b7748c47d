#pragma once

#include <juce_graphics/juce_graphics.h>

// The colours of the hardware: a near-black anodised panel, cream silkscreen, amber accents.
namespace ArtPalette
{
inline const juce::Colour panelBlack { 0xff0a0b0e };
inline const juce::Colour panelFace { 0xff121419 };
inline const juce::Colour panelFaceLow { 0xff0d0f12 };
inline const juce::Colour headerFace { 0xff0b0c0f };
inline const juce::Colour wellFloor { 0xff060708 };
inline const juce::Colour bevelLight { 0xff30333a };
inline const juce::Colour amber { 0xfff3d267 };
inline const juce::Colour cream { 0xffffefbc };
inline const juce::Colour print { 0xffe9e2cf }; // silkscreen: cream, slightly greyed by the ink
inline const juce::Colour ledRed { 0xffff4a3d };
inline const juce::Colour ledYellow { 0xffffc93c };
inline const juce::Colour ledGreen { 0xff7ed957 };
} // namespace ArtPalette
