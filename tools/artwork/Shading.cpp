#include "Shading.h"

#include <cmath>

namespace Shading
{
namespace
{
float hashToUnit (int x, int y, int seed)
{
    auto h = (juce::uint32) x * 374761393u + (juce::uint32) y * 668265263u + (juce::uint32) seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (float) (h & 0xffffff) / (float) 0x7fffff - 1.0f;
}

float fade (float t)
{
    return t * t * (3.0f - 2.0f * t);
}

juce::uint8 toByte (float v)
{
    return (juce::uint8) juce::jlimit (0, 255, juce::roundToInt (v * 255.0f));
}
} // namespace

Vec3 Vec3::normalised() const
{
    const float length = std::sqrt (dot (*this));
    return length > 0.0f ? *this * (1.0f / length) : *this;
}

Rgba Rgba::from (juce::Colour c, float alpha)
{
    return { c.getFloatRed(), c.getFloatGreen(), c.getFloatBlue(), c.getFloatAlpha() * alpha };
}

Rgba Rgba::mixedWith (Rgba o, float t) const
{
    return { r + (o.r - r) * t, g + (o.g - g) * t, b + (o.b - b) * t, a + (o.a - a) * t };
}

Rgba Rgba::over (Rgba below) const
{
    const float outA = a + below.a * (1.0f - a);
    if (outA <= 0.0f)
        return {};
    const auto channel = [&] (float top, float bottom) { return (top * a + bottom * below.a * (1.0f - a)) / outA; };
    return { channel (r, below.r), channel (g, below.g), channel (b, below.b), outA };
}

float smoothstep (float edge0, float edge1, float x)
{
    const float t = juce::jlimit (0.0f, 1.0f, (x - edge0) / (edge1 - edge0));
    return fade (t);
}

float valueNoise1 (float x, int seed)
{
    const auto i = (int) std::floor (x);
    const float t = fade (x - (float) i);
    return hashToUnit (i, 0, seed) + (hashToUnit (i + 1, 0, seed) - hashToUnit (i, 0, seed)) * t;
}

float valueNoise2 (float x, float y, int seed)
{
    const auto ix = (int) std::floor (x);
    const auto iy = (int) std::floor (y);
    const float tx = fade (x - (float) ix);
    const float ty = fade (y - (float) iy);
    const float top = hashToUnit (ix, iy, seed) + (hashToUnit (ix + 1, iy, seed) - hashToUnit (ix, iy, seed)) * tx;
    const float bottom = hashToUnit (ix, iy + 1, seed)
                         + (hashToUnit (ix + 1, iy + 1, seed) - hashToUnit (ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

juce::Image renderSupersampled (int width, int height, int samplesPerAxis,
                                const std::function<Rgba (float x, float y)>& shade)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
    const float step = 1.0f / (float) samplesPerAxis;
    const float weight = step * step;

    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            // Average premultiplied samples, so that transparent samples do not darken edges.
            float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
            for (int sy = 0; sy < samplesPerAxis; ++sy)
            {
                for (int sx = 0; sx < samplesPerAxis; ++sx)
                {
                    const auto s = shade ((float) x + ((float) sx + 0.5f) * step, (float) y + ((float) sy + 0.5f) * step);
                    r += s.r * s.a * weight;
                    g += s.g * s.a * weight;
                    b += s.b * s.a * weight;
                    a += s.a * weight;
                }
            }

            const auto colour = a > 0.0f ? juce::Colour (toByte (r / a), toByte (g / a), toByte (b / a), toByte (a))
                                         : juce::Colours::transparentBlack;
            pixels.setPixelColour (x, y, colour);
        }
    }

    return image;
}

void composite (juce::Image& dst, const juce::Image& src, juce::Point<int> topLeft)
{
    juce::Graphics g (dst);
    g.drawImageAt (src, topLeft.x, topLeft.y);
}

void drawSoftShadow (juce::Graphics& g, const juce::Path& path, juce::Colour colour, int radius,
                     juce::Point<int> offset, bool inner)
{
    if (! inner)
    {
        juce::DropShadow (colour, radius, offset).drawForPath (g, path);
        return;
    }

    // The shadow of everything around the shape, seen only inside it.
    juce::Graphics::ScopedSaveState saved (g);
    g.reduceClipRegion (path);
    juce::Path surround;
    surround.addRectangle (path.getBounds().expanded ((float) radius * 3.0f + 4.0f));
    surround.addPath (path);
    surround.setUsingNonZeroWinding (false);
    juce::DropShadow (colour, radius, offset).drawForPath (g, surround);
}

void addGrain (juce::Image& image, juce::Rectangle<int> area, float amount, int seed, float scaleX, float scaleY)
{
    area = area.getIntersection (image.getBounds());
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readWrite);

    for (int y = area.getY(); y < area.getBottom(); ++y)
    {
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto c = pixels.getPixelColour (x, y);
            const float gain = 1.0f + amount * valueNoise2 ((float) x * scaleX, (float) y * scaleY, seed);
            pixels.setPixelColour (x, y, juce::Colour::fromFloatRGBA (c.getFloatRed() * gain, c.getFloatGreen() * gain,
                                                                      c.getFloatBlue() * gain, c.getFloatAlpha()));
        }
    }
}
} // namespace Shading
