#include "IconArt.h"

#include "ArtPalette.h"
#include "Shading.h"

namespace IconArt
{
namespace
{
constexpr float strokeWidth = 1.6f;
constexpr float arrowStrokeWidth = 1.9f;
constexpr float pressedScale = 0.9f;
constexpr int glowRadius = 4;

// Each picture's size, and where in it the glyph's centre goes. The editor draws each state at
// its own offset in the button; these centres land every glyph on the button's centre.
struct Canvas
{
    int width;
    int height;
    juce::Point<float> glyphCentre;
};

Canvas canvasFor (Icon icon, State state)
{
    const bool large = state == State::hovered || state == State::pressed;

    switch (icon)
    {
        case Icon::settings:   return large ? Canvas { 32, 32, { 16.0f, 16.0f } } : Canvas { 24, 24, { 12.0f, 12.0f } };
        case Icon::arrowLeft:  return large ? Canvas { 17, 20, { 9.0f, 10.0f } } : Canvas { 16, 16, { 8.0f, 8.0f } };
        case Icon::arrowRight: return large ? Canvas { 17, 20, { 8.0f, 10.0f } } : Canvas { 16, 16, { 8.0f, 8.0f } };
        case Icon::newPreset:
        case Icon::save:
        case Icon::remove:     break;
    }
    return { 24, 24, { 12.0f, 12.0f } };
}

juce::String baseName (Icon icon)
{
    switch (icon)
    {
        case Icon::newPreset:  return "new";
        case Icon::save:       return "save";
        case Icon::remove:     return "delete";
        case Icon::settings:   return "settings";
        case Icon::arrowLeft:  return "arrow_left";
        case Icon::arrowRight: return "arrow_right";
    }
    return {};
}

juce::String stateName (State state)
{
    switch (state)
    {
        case State::inactive: return "inactive";
        case State::normal:   return "default";
        case State::hovered:  return "hovered";
        case State::pressed:  return "pressed";
    }
    return {};
}

// Glyphs are drawn around (0, 0), in pixels.
juce::Path newPresetGlyph()
{
    juce::Path p;
    p.startNewSubPath (-5.5f, -8.0f);
    p.lineTo (2.0f, -8.0f);
    p.lineTo (5.5f, -4.5f);
    p.lineTo (5.5f, 8.0f);
    p.lineTo (-5.5f, 8.0f);
    p.closeSubPath();
    p.startNewSubPath (2.0f, -8.0f);
    p.lineTo (2.0f, -4.5f);
    p.lineTo (5.5f, -4.5f);
    p.startNewSubPath (0.0f, -1.0f);
    p.lineTo (0.0f, 5.0f);
    p.startNewSubPath (-3.0f, 2.0f);
    p.lineTo (3.0f, 2.0f);
    return p;
}

juce::Path saveGlyph()
{
    juce::Path p;
    p.startNewSubPath (-7.0f, -7.0f);
    p.lineTo (4.0f, -7.0f);
    p.lineTo (7.0f, -4.0f);
    p.lineTo (7.0f, 7.0f);
    p.lineTo (-7.0f, 7.0f);
    p.closeSubPath();
    p.addRectangle (-3.5f, -7.0f, 6.0f, 4.0f);
    p.addRectangle (-4.0f, 1.5f, 8.0f, 5.5f);
    return p;
}

juce::Path removeGlyph()
{
    juce::Path p;
    p.startNewSubPath (-7.0f, -4.5f);
    p.lineTo (7.0f, -4.5f);
    p.startNewSubPath (-2.0f, -4.5f);
    p.lineTo (-2.0f, -7.0f);
    p.lineTo (2.0f, -7.0f);
    p.lineTo (2.0f, -4.5f);
    p.startNewSubPath (-5.0f, -4.5f);
    p.lineTo (-4.0f, 7.5f);
    p.lineTo (4.0f, 7.5f);
    p.lineTo (5.0f, -4.5f);
    p.startNewSubPath (-1.6f, -1.5f);
    p.lineTo (-1.6f, 4.5f);
    p.startNewSubPath (1.6f, -1.5f);
    p.lineTo (1.6f, 4.5f);
    return p;
}

juce::Path settingsGlyph()
{
    // Eight square-shouldered teeth around a ring with a round hole.
    constexpr int teeth = 8;
    constexpr float outer = 8.2f;
    constexpr float root = 6.0f;
    constexpr float toothHalfAngle = 0.2f;
    constexpr float rootHalfAngle = 0.3f;

    juce::Path p;
    for (int i = 0; i < teeth; ++i)
    {
        const float centre = juce::MathConstants<float>::twoPi * (float) i / (float) teeth;
        const auto at = [] (float radius, float angle) { return juce::Point<float> (radius * std::sin (angle), -radius * std::cos (angle)); };
        const auto rootStart = at (root, centre - rootHalfAngle);
        if (i == 0)
            p.startNewSubPath (rootStart);
        else
            p.lineTo (rootStart);
        p.lineTo (at (outer, centre - toothHalfAngle));
        p.lineTo (at (outer, centre + toothHalfAngle));
        p.lineTo (at (root, centre + rootHalfAngle));
        p.addCentredArc (0.0f, 0.0f, root, root, 0.0f, centre + rootHalfAngle,
                         centre + juce::MathConstants<float>::twoPi / (float) teeth - rootHalfAngle, false);
    }
    p.closeSubPath();
    p.addEllipse (-2.6f, -2.6f, 5.2f, 5.2f);
    p.setUsingNonZeroWinding (false);
    return p;
}

juce::Path arrowGlyph (bool left)
{
    const float direction = left ? 1.0f : -1.0f;
    juce::Path p;
    p.startNewSubPath (direction * 2.25f, -4.5f);
    p.lineTo (direction * -2.25f, 0.0f);
    p.lineTo (direction * 2.25f, 4.5f);
    return p;
}

// The filled shape each icon puts on screen: outlines stroked, the gear filled.
juce::Path glyphShape (Icon icon)
{
    const auto stroked = [] (const juce::Path& outline, float width)
    {
        juce::Path shape;
        juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded).createStrokedPath (shape, outline);
        return shape;
    };

    switch (icon)
    {
        case Icon::newPreset:  return stroked (newPresetGlyph(), strokeWidth);
        case Icon::save:       return stroked (saveGlyph(), strokeWidth);
        case Icon::remove:     return stroked (removeGlyph(), strokeWidth);
        case Icon::settings:   return settingsGlyph();
        case Icon::arrowLeft:  return stroked (arrowGlyph (true), arrowStrokeWidth);
        case Icon::arrowRight: return stroked (arrowGlyph (false), arrowStrokeWidth);
    }
    return {};
}

juce::Colour inkFor (State state)
{
    switch (state)
    {
        case State::inactive: return juce::Colours::white.withAlpha (0.2f);
        case State::normal:   return ArtPalette::cream.withAlpha (0.78f);
        case State::hovered:  return ArtPalette::amber;
        case State::pressed:  return ArtPalette::amber.darker (0.25f);
    }
    return {};
}
} // namespace

juce::String fileName (Icon icon, State state)
{
    return baseName (icon) + "_" + stateName (state) + ".png";
}

juce::Image render (Icon icon, State state)
{
    const auto canvas = canvasFor (icon, state);
    juce::Image image (juce::Image::ARGB, canvas.width, canvas.height, true);
    juce::Graphics g (image);

    const float scale = state == State::pressed ? pressedScale : 1.0f;
    auto shape = glyphShape (icon);
    shape.applyTransform (juce::AffineTransform::scale (scale).translated (canvas.glyphCentre));

    if (state == State::hovered)
        Shading::drawSoftShadow (g, shape, ArtPalette::amber.withAlpha (0.55f), glowRadius, {}, false);

    g.setColour (inkFor (state));
    g.fillPath (shape);
    return image;
}
} // namespace IconArt
