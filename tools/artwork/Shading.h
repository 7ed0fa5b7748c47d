#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

// Small tools for drawing the panel and its parts: a 3-vector for lighting, deterministic noise
// (the art must come out the same on every run), soft shadows and per-pixel rendering.
namespace Shading
{
struct Vec3
{
    float x = 0.0f, y = 0.0f, z = 0.0f;

    Vec3 operator+ (Vec3 o) const { return { x + o.x, y + o.y, z + o.z }; }
    Vec3 operator- (Vec3 o) const { return { x - o.x, y - o.y, z - o.z }; }
    Vec3 operator* (float s) const { return { x * s, y * s, z * s }; }
    float dot (Vec3 o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 normalised() const;
};

// A linear RGBA sample before it becomes a pixel; colour is not premultiplied.
struct Rgba
{
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

    static Rgba from (juce::Colour c, float alpha = 1.0f);
    Rgba scaled (float s) const { return { r * s, g * s, b * s, a }; }
    Rgba plus (Rgba o) const { return { r + o.r, g + o.g, b + o.b, a }; }
    Rgba mixedWith (Rgba o, float t) const;
    Rgba over (Rgba below) const; // Porter-Duff "over"
};

float smoothstep (float edge0, float edge1, float x);

// Value noise: smooth, repeatable, roughly in -1..1.
float valueNoise1 (float x, int seed);
float valueNoise2 (float x, float y, int seed);

// Renders a picture by sampling shade (x, y) on an n x n grid inside each pixel and averaging,
// which anti-aliases edges computed per sample.
juce::Image renderSupersampled (int width, int height, int samplesPerAxis,
                                const std::function<Rgba (float x, float y)>& shade);

// Blends src over the area of dst whose top-left corner is at the given position.
void composite (juce::Image& dst, const juce::Image& src, juce::Point<int> topLeft);

// A blurred shadow cast by path, offset, drawn outside or (inner) inside the path.
void drawSoftShadow (juce::Graphics& g, const juce::Path& path, juce::Colour colour, int radius,
                     juce::Point<int> offset, bool inner);

// Multiplies every pixel's colour by (1 + amount x noise), keeping alpha: a faint grain that
// keeps large flat areas from looking like plastic.
void addGrain (juce::Image& image, juce::Rectangle<int> area, float amount, int seed,
               float scaleX, float scaleY);
} // namespace Shading
