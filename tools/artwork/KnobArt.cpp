#include "KnobArt.h"

#include "ArtPalette.h"
#include "Shading.h"

#include "ui/KnobGeometry.h"

#include <cmath>

namespace KnobArt
{
namespace
{
using Shading::Rgba;
using Shading::Vec3;

struct KnobDesign
{
    float skirtRadius;   // outer radius at the crests of the knurl
    float capRadius;     // brushed top
    float bevelWidth;    // polished chamfer between cap and skirt
    int fluteCount;
    float fluteDepth;    // how far the grooves cut into the rim, pixels
    juce::Colour skirtColour;
    juce::Colour capColour;
    juce::Colour capSheen;     // what the brushing reflects of the key light
    juce::Colour bevelColour;  // the polished chamfer
    float capBrushContrast;
    juce::Colour pointerColour;
    float pointerInner;  // pointer line from this radius...
    float pointerOuter;  // ...to this one
    float pointerWidth;
    int seed;
};

const KnobDesign largeDesign {
    29.0f, 19.5f, 2.0f, 36, 1.1f,
    juce::Colour (0xff1b1c20), juce::Colour (0xff34373c), juce::Colour (0xff9a9ea6), juce::Colour (0xffb9bdc4), 0.12f,
    ArtPalette::cream, 6.0f, 18.0f, 2.4f, 11
};

const KnobDesign smallDesign {
    27.0f, 20.5f, 1.6f, 24, 1.4f,
    juce::Colour (0xff17181b), juce::Colour (0xff2e3035), juce::Colour (0xff8d9198), juce::Colour (0xffb0b4bb), 0.1f,
    ArtPalette::amber, 4.0f, 26.0f, 2.6f, 23
};

constexpr int samplesPerAxis = 3;

// Key light from the upper left and in front, a weak fill from the lower right; the viewer
// looks straight down on the panel.
const Vec3 keyLight = Vec3 { -0.45f, -0.65f, 0.62f }.normalised();
const Vec3 fillLight = Vec3 { 0.55f, 0.45f, 0.70f }.normalised();
const Vec3 viewer { 0.0f, 0.0f, 1.0f };
const Vec3 keyHalf = (keyLight + viewer).normalised();
const Vec3 fillHalf = (fillLight + viewer).normalised();

// A studio seen in reflections: a soft box above, a dim strip to the right, a dark room behind
// the viewer.
float environment (Vec3 reflected)
{
    const float softBox = Shading::smoothstep (0.1f, 0.75f, -reflected.y)
                          * (1.0f - 0.55f * Shading::smoothstep (0.25f, 0.85f, std::abs (reflected.x)));
    const float sideStrip = 0.3f * Shading::smoothstep (0.45f, 0.9f, reflected.x);
    return 0.06f + 0.95f * softBox + sideStrip;
}

Vec3 reflect (Vec3 n)
{
    return n * (2.0f * n.z) - viewer;
}

Vec3 tilted (float ux, float uy, float angle)
{
    return { ux * std::sin (angle), uy * std::sin (angle), std::cos (angle) };
}

Rgba lit (juce::Colour base, Vec3 n, float specularStrength, float shininess, float reflectionStrength)
{
    const float diffuse = 0.16f + 0.85f * std::max (0.0f, n.dot (keyLight)) + 0.22f * std::max (0.0f, n.dot (fillLight));
    const float specular = specularStrength * (std::pow (std::max (0.0f, n.dot (keyHalf)), shininess)
                                               + 0.3f * std::pow (std::max (0.0f, n.dot (fillHalf)), shininess));
    const float reflection = reflectionStrength * environment (reflect (n));

    auto colour = Rgba::from (base).scaled (diffuse);
    colour = colour.plus (Rgba::from (base).scaled (reflection));
    return colour.plus ({ specular, specular, specular * 0.97f, 0.0f });
}

class KnobShader
{
public:
    KnobShader (const KnobDesign& d, float rotation) : design (d), pointer { std::sin (rotation), -std::cos (rotation) }, turn (rotation) {}

    Rgba shade (float x, float y) const
    {
        const float dx = x - KnobGeometry::framePivot.x;
        const float dy = y - KnobGeometry::framePivot.y;
        const float r = std::sqrt (dx * dx + dy * dy);
        const float ux = r > 0.0f ? dx / r : 0.0f;
        const float uy = r > 0.0f ? dy / r : -1.0f;
        // Angle in the knob's own frame, so the knurl turns with it.
        const float knobAngle = std::atan2 (dx, -dy) - turn;

        const float groove = std::pow (std::max (0.0f, std::cos ((float) design.fluteCount * knobAngle)), 3.0f);
        const float rim = design.skirtRadius - design.fluteDepth * groove;

        if (r > rim)
            return shadow (dx, dy);

        const float along = dx * pointer.x + dy * pointer.y;
        const float across = std::abs (dx * pointer.y - dy * pointer.x);
        const bool onPointerLine = along > design.pointerInner && along < design.pointerOuter;

        Rgba surface;
        if (r < design.capRadius)
            surface = cap (r, ux, uy);
        else if (r < design.capRadius + design.bevelWidth)
            surface = bevel (r, ux, uy);
        else
            surface = skirt (r, rim, ux, uy, knobAngle, groove);

        if (onPointerLine)
            surface = paintPointer (surface, across);

        return surface;
    }

private:
    Rgba shadow (float dx, float dy) const
    {
        // A soft cast shadow below the knob and a tight contact shadow at its foot.
        const float sx = dx;
        const float sy = dy - 3.0f;
        const float rs = std::sqrt (sx * sx + sy * sy);
        const float cast = 0.62f * (1.0f - Shading::smoothstep (design.skirtRadius - 5.0f, design.skirtRadius + 7.0f, rs));
        const float contact = 0.5f * (1.0f - Shading::smoothstep (design.skirtRadius - 0.5f, design.skirtRadius + 2.0f,
                                                                  std::sqrt (dx * dx + dy * dy)));
        return { 0.0f, 0.0f, 0.0f, std::max (cast, contact) };
    }

    Rgba cap (float r, float ux, float uy) const
    {
        // A barely domed top, brushed in concentric rings by the lathe.
        const Vec3 n = tilted (ux, uy, juce::degreesToRadians (5.0f) * r / design.capRadius);
        auto colour = lit (design.capColour, n, 0.05f, 20.0f, 0.35f);

        const Vec3 ringTangent { -uy, ux, 0.0f };
        const auto brushedHighlight = [&] (Vec3 half, float strength)
        {
            const float th = ringTangent.dot (half);
            return strength * std::pow (std::max (0.0f, 1.0f - th * th), 28.0f);
        };
        const float sheen = brushedHighlight (keyHalf, 0.75f) + brushedHighlight (fillHalf, 0.25f);
        colour = colour.plus (Rgba::from (design.capSheen).scaled (sheen));

        const float rings = 1.0f + design.capBrushContrast * Shading::valueNoise1 (r * 2.7f, design.seed)
                            + 0.5f * design.capBrushContrast * Shading::valueNoise1 (r * 11.0f, design.seed + 1);
        colour = colour.scaled (rings);

        // The centre was faced off slightly darker than the rings around it.
        colour = colour.scaled (0.88f + 0.12f * Shading::smoothstep (0.0f, 3.5f, r));
        colour.a = 1.0f;
        return colour;
    }

    Rgba bevel (float r, float ux, float uy) const
    {
        const float t = (r - design.capRadius) / design.bevelWidth;
        const Vec3 n = tilted (ux, uy, juce::degreesToRadians (38.0f + 14.0f * t));
        auto colour = lit (design.bevelColour, n, 0.9f, 60.0f, 0.8f);
        colour.a = 1.0f;
        return colour;
    }

    Rgba skirt (float r, float rim, float ux, float uy, float knobAngle, float groove) const
    {
        const float inner = design.capRadius + design.bevelWidth;
        const float t = juce::jlimit (0.0f, 1.0f, (r - inner) / (rim - inner));

        // The top of the skirt rolls over into a steep wall at the rim.
        const float slope = juce::degreesToRadians (14.0f + 66.0f * t * t);
        Vec3 n = tilted (ux, uy, slope);

        // The knurl's grooves tilt the surface sideways, most on the outer wall.
        const float grooveSlope = -std::sin ((float) design.fluteCount * knobAngle) * (groove > 0.0f ? 1.0f : 0.2f);
        const Vec3 tangent { -uy, ux, 0.0f };
        n = (n + tangent * (0.9f * grooveSlope * t)).normalised();

        auto colour = lit (design.skirtColour, n, 0.55f, 34.0f, 0.9f);

        // A dark seam where the cap sits in the skirt, and dirt in the bottom of each groove.
        const float seam = 1.0f - 0.7f * (1.0f - Shading::smoothstep (0.0f, 0.9f, r - inner));
        const float cavity = 1.0f - 0.45f * groove * t;
        colour = colour.scaled (seam * cavity);
        colour.a = 1.0f;
        return colour;
    }

    Rgba paintPointer (Rgba surface, float across) const
    {
        const float halfWidth = design.pointerWidth * 0.5f;
        if (across < halfWidth)
        {
            auto paint = Rgba::from (design.pointerColour);
            // Paint in an engraved groove catches a little of the key light.
            paint = paint.scaled (0.92f + 0.08f * surface.r);
            paint.a = 1.0f;
            return paint;
        }
        if (across < halfWidth + 0.7f)
            return surface.scaled (0.55f); // the groove's wall
        return surface;
    }

    const KnobDesign& design;
    juce::Point<float> pointer;
    float turn;
};

juce::Image renderStrip (const KnobDesign& design)
{
    juce::Image strip (juce::Image::ARGB, KnobGeometry::frameWidth, KnobGeometry::frameHeight * KnobGeometry::frameCount, true);

    for (int frame = 0; frame < KnobGeometry::frameCount; ++frame)
    {
        const float proportion = (float) frame / (float) KnobGeometry::lastFrame;
        const float rotation = juce::degreesToRadians (KnobGeometry::sweepStartDegrees + KnobGeometry::sweepDegrees * proportion);
        const KnobShader shader (design, rotation);
        const auto image = Shading::renderSupersampled (KnobGeometry::frameWidth, KnobGeometry::frameHeight, samplesPerAxis,
                                                        [&shader] (float x, float y) { return shader.shade (x, y); });
        Shading::composite (strip, image, { 0, frame * KnobGeometry::frameHeight });
    }

    return strip;
}
} // namespace

juce::Image renderLargeKnobStrip()
{
    return renderStrip (largeDesign);
}

juce::Image renderSmallKnobStrip()
{
    return renderStrip (smallDesign);
}

float largeKnobRadius()
{
    return largeDesign.skirtRadius;
}

float smallKnobRadius()
{
    return smallDesign.skirtRadius;
}
} // namespace KnobArt
