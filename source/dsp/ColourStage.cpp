#include "ColourStage.h"

#include "VectorMath.h"

#include <cmath>

namespace
{
constexpr double lowpassHz = 1900.0;
constexpr double tiltGainDb = 6.0;
constexpr double lowBellHz = 10.0;
constexpr double lowBellQ = 0.15;
constexpr double highShelfHz = 10000.0;
constexpr float harmonicScale = 0.8f; // the harm amount 0..0.8 becomes 0..1
constexpr int lanes = simd::lanes;

// Per ratio mode: the shaper's tanh gain and blend, and the constants of its wet mix.
struct EngineColour
{
    float tanhGain;  // aw
    float tanhBlend; // ay
    float e, d, aj, ah;
};

constexpr EngineColour engineColours[] = {
    { 0.72f, 0.48f, 0.0f, 0.75f, 0.16f, 0.0f },   // standard
    { 0.76f, 0.58f, 0.08f, 0.8f, 0.15f, 0.12f },  // "99:1"
    { 0.82f, 0.78f, 0.22f, 1.08f, 0.28f, 0.2f },  // "ALL IN"
};

// The standard engine drives its atan with a fixed slope and its tanh with a fixed bias.
constexpr float standardSlope = 1.35f;
constexpr float standardBias = 0.016f * 1.0f;

// What a chunk needs besides its arrays.
struct ChunkSettings
{
    EngineColour engine;
    float colourAmount;
    float lowpassCoefficient;
    float standardAtanOfSlope; // from the float library, as a per-sample evaluation gets them
    float standardTanhOfBias;
};

float clamp01 (float x)
{
    return juce::jlimit (0.0f, 1.0f, x);
}

void setCoefficients (DoubleBiquad& biquad, double b0, double b1, double b2, double a0, double a1, double a2)
{
    biquad.b0 = b0 / a0;
    biquad.b1 = b1 / a0;
    biquad.b2 = b2 / a0;
    biquad.a1 = a1 / a0;
    biquad.a2 = a2 / a0;
    biquad.reset();
}

// Audio-EQ-cookbook peaking filter.
void designLowBell (DoubleBiquad& biquad, double rate)
{
    const double a = std::pow (10.0, tiltGainDb / 40.0);
    const double w0 = juce::MathConstants<double>::twoPi * lowBellHz / rate;
    const double alpha = std::sin (w0) / (2.0 * lowBellQ);
    const double cosW0 = std::cos (w0);
    setCoefficients (biquad, 1.0 + alpha * a, -2.0 * cosW0, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cosW0,
                     1.0 - alpha / a);
}

// Audio-EQ-cookbook high shelf with alpha = sin(w0).
void designHighShelf (DoubleBiquad& biquad, double rate)
{
    const double a = std::pow (10.0, tiltGainDb / 40.0);
    const double f0 = std::max (2.0, std::min (0.4 * rate, highShelfHz));
    const double w0 = juce::MathConstants<double>::twoPi * f0 / rate;
    const double cosW0 = std::cos (w0);
    const double twoSqrtAAlpha = 2.0 * std::sqrt (a) * std::sin (w0);
    setCoefficients (biquad,
                     a * ((a + 1.0) + (a - 1.0) * cosW0 + twoSqrtAAlpha),
                     -2.0 * a * ((a - 1.0) + (a + 1.0) * cosW0),
                     a * ((a + 1.0) + (a - 1.0) * cosW0 - twoSqrtAAlpha),
                     (a + 1.0) - (a - 1.0) * cosW0 + twoSqrtAAlpha,
                     2.0 * ((a - 1.0) - (a + 1.0) * cosW0),
                     (a + 1.0) - (a - 1.0) * cosW0 - twoSqrtAAlpha);
}

// The float functions of the shaper, through the double vector versions: rounded to float they
// agree with the float library to the last bit nearly always and otherwise by one unit.
TOLLOVANE_ALWAYS_INLINE simd::Floats tanhOf (simd::Floats x)
{
    return simd::toFloats (simd::tanh (simd::toDoubles (x)));
}

TOLLOVANE_ALWAYS_INLINE simd::Floats atanOf (simd::Floats x)
{
    return simd::toFloats (simd::atan (simd::toDoubles (x)));
}

TOLLOVANE_ALWAYS_INLINE simd::Floats softClipOf (simd::Floats y)
{
    const auto finite = (y - y) == 0.0f;
    const simd::Floats clipped = simd::limit (-1.4f, 1.4f, 0.92f * y);
    const simd::Floats result = clipped - 0.085f * clipped * clipped * clipped;
    return finite ? result : simd::Floats {};
}

// The drive of the shaper and the shaper itself, up to its output w before the low-pass. The
// scalar expressions of the per-sample stage, written over vectors in the same order.
template <int Mode>
TOLLOVANE_ALWAYS_INLINE void shape (const ColourStage::Chunk& chunk, ColourStage::Chunk::Channel& c,
                                    const ChunkSettings& settings, int length)
{
    const auto& engine = settings.engine;
    const float colourAmount = settings.colourAmount;

    for (int i = 0; i < length; i += lanes)
    {
        const auto t = simd::load (c.input.data() + i);
        const auto reductionDb = simd::load (c.reductionDb.data() + i);

        const auto hG = simd::limit (0.0f, 1.0f, reductionDb / 24.0f);
        const auto aN = simd::limit (0.0f, 1.0f, simd::load (chunk.attackMs.data() + i) / 35.0f);
        const auto u = simd::min (simd::abs (reductionDb - simd::load (c.previousReductionDb.data() + i)) / 6.0f,
                                  simd::broadcast (1.0f));
        const auto v = simd::limit (0.0f, 1.0f, 1.35f * simd::abs (t));

        simd::Floats b, slope, biasBase, wetAmount;
        if constexpr (Mode == 1)
        {
            b = simd::limit (0.0f, 1.0f, 0.14f * v + 0.4f * hG + 0.18f * u + 0.22f * aN);
            slope = 1.42f + 0.45f * b;
            biasBase = 0.8f + 0.45f * b;
            wetAmount = 0.55f * colourAmount
                        + (0.45f * colourAmount + 0.05f) * simd::limit (0.0f, 1.0f, 0.85f * hG + 0.15f * u);
        }
        else if constexpr (Mode == 2)
        {
            b = simd::limit (0.0f, 1.0f, 0.34f * v + 0.46f * hG + 0.32f * u);
            slope = 1.55f + 0.9f * b;
            biasBase = 1.3f + 0.7f * b;
            wetAmount = simd::broadcast (colourAmount + 0.08f);
        }
        else
        {
            b = simd::limit (0.0f, 1.0f, 0.18f * v + 0.22f * hG);
            slope = simd::broadcast (standardSlope);
            biasBase = simd::broadcast (1.0f);
            wetAmount = simd::broadcast (colourAmount + 0.08f);
        }

        const auto q = 1.0f + 0.55f * hG; // input drive grows with the gain reduction

        const auto atanOfSlope = Mode == 0 ? simd::broadcast (settings.standardAtanOfSlope) : atanOf (slope);
        const auto a = atanOf (q * t * slope) / atanOfSlope;
        const auto bias = 0.016f * biasBase;
        const auto tanhOfBias = Mode == 0 ? simd::broadcast (settings.standardTanhOfBias) : tanhOf (bias);
        const auto s = tanhOf (q * t * engine.tanhGain + bias) - tanhOfBias;
        const auto w = a + engine.tanhBlend * (s - a);

        simd::store (c.drive.data() + i, b);
        simd::store (c.inputDrive.data() + i, q);
        simd::store (c.wetAmount.data() + i, wetAmount);
        simd::store (c.shaped.data() + i, w);
    }
}

// The wet mix of the shaper around its low-passed output, the soft clip, and the soft tanh layer
// of "harm" (in double from here on).
template <int Mode>
TOLLOVANE_ALWAYS_INLINE void mixAndClip (const ColourStage::Chunk& chunk, ColourStage::Chunk::Channel& c,
                                         const ChunkSettings& settings, int length)
{
    const auto& engine = settings.engine;

    for (int i = 0; i < length; i += lanes)
    {
        const auto t = simd::load (c.input.data() + i);
        const auto b = simd::load (c.drive.data() + i);
        const auto q = simd::load (c.inputDrive.data() + i);
        const auto w = simd::load (c.shaped.data() + i);
        const auto e = simd::load (c.lowpassed.data() + i);

        const auto driveBoost = Mode == 1   ? 1.02f + 0.08f * b
                                : Mode == 2 ? 1.28f + 0.18f * b
                                            : simd::broadcast (1.0f);
        const auto k2 = engine.e * b + engine.d;
        const auto f1 = tanhOf ((0.3f * q * driveBoost + 1.0f) * w + k2 * (w - e));
        const auto f2 = tanhOf (0.95f * w);
        const auto y = t + simd::load (c.wetAmount.data() + i) * ((engine.ah * b + engine.aj) * (f1 - f2) + w
                                                                  + (0.16f * k2 + 0.18f) * (w - e) - t);

        const auto l = simd::toDoubles (softClipOf (y));
        simd::store (c.clipped.data() + i, l);

        // With harm at 0 the layer adds exactly +0, which leaves l as it is (and -0 as +0).
        if (chunk.harmonicLayerOff)
        {
            simd::store (c.withTanhLayer.data() + i, l + 0.0);
            continue;
        }
        const auto h = simd::toDoubles (simd::load (chunk.harmonicAmount.data() + i));
        simd::store (c.withTanhLayer.data() + i, l + (h / 8.0) * (simd::tanh (1.2 * l) / 1.2 - l));
    }
}

// The products of the harmonic generator's tanh, for the band-limited samples of a channel.
TOLLOVANE_ALWAYS_INLINE void generateHarmonics (ColourStage::Chunk::Channel& c, const HarmonicGlue& glue, int length)
{
    for (int i = 0; i < length; i += lanes)
    {
        const auto s = simd::load (c.bandLimited.data() + i);
        simd::store (c.products.data() + i, glue.distortionProducts (s, simd::tanh (HarmonicGlue::harmonicDrive * s)));
    }
}

// The passes that depend on their own previous output run sample by sample, with both channels
// side by side in the two lanes of a vector.
using Pair = double __attribute__ ((vector_size (2 * sizeof (double))));

// One of the filters of both channels (same coefficients), in the arithmetic of DoubleBiquad.
struct BiquadPair
{
    double b0, b1, b2, a1, a2;
    Pair z1, z2;

    BiquadPair (const DoubleBiquad& left, const DoubleBiquad& right)
        : b0 (left.b0), b1 (left.b1), b2 (left.b2), a1 (left.a1), a2 (left.a2), z1 { left.z1, right.z1 },
          z2 { left.z2, right.z2 }
    {
    }

    TOLLOVANE_ALWAYS_INLINE Pair process (Pair x)
    {
        const Pair y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }

    // Writes the states back; a mono chunk leaves the right channel's filter alone.
    void storeInto (DoubleBiquad& left, DoubleBiquad& right, int channels) const
    {
        left.z1 = z1[0];
        left.z2 = z2[0];
        if (channels > 1)
        {
            right.z1 = z1[1];
            right.z2 = z2[1];
        }
    }
};

TOLLOVANE_ALWAYS_INLINE Pair pairOf (const ColourStage::Chunk& chunk, ColourStage::Chunk::PerSample<double> ColourStage::Chunk::Channel::*values,
                                     int channels, size_t i)
{
    const double left = (chunk.channels[0].*values)[i];
    return Pair { left, channels > 1 ? (chunk.channels[1].*values)[i] : left };
}

template <int Channels>
TOLLOVANE_ALWAYS_INLINE void lowpassShaped (ColourStage::Chunk& chunk, ColourStage::ColourChannel* colour,
                                            float coefficient, int length)
{
    float lowpass[(size_t) Channels];
    for (int ch = 0; ch < Channels; ++ch)
        lowpass[ch] = colour[ch].colourLowpass;

    for (int i = 0; i < length; ++i)
    {
        for (int ch = 0; ch < Channels; ++ch)
        {
            auto& c = chunk.channels[(size_t) ch];
            lowpass[ch] = coefficient * lowpass[ch] + (1.0f - coefficient) * c.shaped[(size_t) i];
            c.lowpassed[(size_t) i] = lowpass[ch];
        }
    }

    for (int ch = 0; ch < Channels; ++ch)
        colour[ch].colourLowpass = lowpass[ch];
}

template <int Channels>
TOLLOVANE_ALWAYS_INLINE void bandLimitClipped (ColourStage::Chunk& chunk, ColourStage::ColourChannel* colour, int length)
{
    auto& left = colour[0].glue.filters;
    auto& right = colour[Channels - 1].glue.filters;
    BiquadPair highPass (left.highPassIn, right.highPassIn), lowPass (left.lowPassIn, right.lowPassIn);

    for (int i = 0; i < length; ++i)
    {
        const auto k = (size_t) i;
        const Pair s = lowPass.process (highPass.process (pairOf (chunk, &ColourStage::Chunk::Channel::clipped, Channels, k)));
        for (int ch = 0; ch < Channels; ++ch)
            chunk.channels[(size_t) ch].bandLimited[k] = s[ch];
    }

    highPass.storeInto (left.highPassIn, right.highPassIn, Channels);
    lowPass.storeInto (left.lowPassIn, right.lowPassIn, Channels);
}

// The harmonic layer and the tilt; "harm" scales what they add.
template <int Channels>
TOLLOVANE_ALWAYS_INLINE void addHarmonicsAndTilt (ColourStage::Chunk& chunk, ColourStage::ColourChannel* colour,
                                                  float* const* samples, int length)
{
    auto& leftGlue = colour[0].glue.filters;
    auto& rightGlue = colour[Channels - 1].glue.filters;
    auto& left = colour[0];
    auto& right = colour[Channels - 1];
    BiquadPair highPass (leftGlue.highPassOut, rightGlue.highPassOut), lowPass (leftGlue.lowPassOut, rightGlue.lowPassOut);
    BiquadPair lowBell (left.lowBell, right.lowBell), highShelf (left.highShelf, right.highShelf);

    for (int i = 0; i < length; ++i)
    {
        const auto k = (size_t) i;
        const double h = chunk.harmonicAmount[k];
        const Pair harmonics = lowPass.process (highPass.process (pairOf (chunk, &ColourStage::Chunk::Channel::products, Channels, k)));
        const Pair o1 = pairOf (chunk, &ColourStage::Chunk::Channel::withTanhLayer, Channels, k) + (h / 32.0) * harmonics;
        const Pair o2 = o1 + h * (lowBell.process (o1) - o1);
        const Pair o3 = o2 + h * (highShelf.process (o2) - o2);
        for (int ch = 0; ch < Channels; ++ch)
            samples[ch][i] = (float) o3[ch];
    }

    highPass.storeInto (leftGlue.highPassOut, rightGlue.highPassOut, Channels);
    lowPass.storeInto (leftGlue.lowPassOut, rightGlue.lowPassOut, Channels);
    lowBell.storeInto (left.lowBell, right.lowBell, Channels);
    highShelf.storeInto (left.highShelf, right.highShelf, Channels);
}

template <int Mode, int Channels>
TOLLOVANE_ALWAYS_INLINE void colourChunkBody (ColourStage::Chunk& chunk, ColourStage::ColourChannel* colour,
                                              const ChunkSettings& settings, float* const* samples, int length)
{
    for (int ch = 0; ch < Channels; ++ch)
        shape<Mode> (chunk, chunk.channels[(size_t) ch], settings, length);

    lowpassShaped<Channels> (chunk, colour, settings.lowpassCoefficient, length);

    for (int ch = 0; ch < Channels; ++ch)
        mixAndClip<Mode> (chunk, chunk.channels[(size_t) ch], settings, length);

    bandLimitClipped<Channels> (chunk, colour, length);

    for (int ch = 0; ch < Channels; ++ch)
        generateHarmonics (chunk.channels[(size_t) ch], colour[ch].glue, length);

    addHarmonicsAndTilt<Channels> (chunk, colour, samples, length);
}

using ChunkKernel = void (*) (ColourStage::Chunk&, ColourStage::ColourChannel*, const ChunkSettings&, float* const*, int);

template <int Mode, int Channels>
void colourChunkBaseline (ColourStage::Chunk& c, ColourStage::ColourChannel* ch, const ChunkSettings& s,
                          float* const* x, int n)
{
    colourChunkBody<Mode, Channels> (c, ch, s, x, n);
}

#if TOLLOVANE_X86_DISPATCH
template <int Mode, int Channels>
TOLLOVANE_TARGET_AVX2 void colourChunkAvx2 (ColourStage::Chunk& c, ColourStage::ColourChannel* ch,
                                            const ChunkSettings& s, float* const* x, int n)
{
    colourChunkBody<Mode, Channels> (c, ch, s, x, n);
}

template <int Mode, int Channels>
TOLLOVANE_TARGET_AVX512 void colourChunkAvx512 (ColourStage::Chunk& c, ColourStage::ColourChannel* ch,
                                                const ChunkSettings& s, float* const* x, int n)
{
    colourChunkBody<Mode, Channels> (c, ch, s, x, n);
}
#endif

template <int Mode, int Channels>
ChunkKernel kernelFor (SimdLevel level)
{
#if TOLLOVANE_X86_DISPATCH
    if (level == SimdLevel::avx512)
        return colourChunkAvx512<Mode, Channels>;
    if (level == SimdLevel::avx2)
        return colourChunkAvx2<Mode, Channels>;
#endif
    juce::ignoreUnused (level);
    return colourChunkBaseline<Mode, Channels>;
}

template <int Channels>
ChunkKernel kernelFor (SimdLevel level, int mode)
{
    return mode == 1 ? kernelFor<1, Channels> (level) : (mode == 2 ? kernelFor<2, Channels> (level) : kernelFor<0, Channels> (level));
}

// The controls arrive per base-rate sample; they are interpolated onto the oversampled grid the
// way a sample-by-sample loop would: value k plus the step to value k + 1 times the fraction
// m - k, with m = i / samplesPerControl.
void interpolate (const float* values, int numControls, int samplesPerControl, int start, int length, float* out)
{
    if (samplesPerControl == 2)
    {
        // m = i / 2 exactly: the fraction is 0 for even i and 0.5 for odd i. Away from the last
        // control, value k and value k + 1 are neighbours, and the pairs of outputs vectorise.
        int j = 0;
        if (start % 2 == 0)
        {
            const int pairs = std::max (0, std::min (length / 2, numControls - 1 - start / 2));
            const float* v = values + start / 2;
            for (int p = 0; p < pairs; ++p)
            {
                const float step = v[p + 1] - v[p];
                out[2 * p] = v[p] + step * 0.0f;
                out[2 * p + 1] = v[p] + step * 0.5f;
            }
            j = 2 * pairs;
        }

        for (; j < length; ++j)
        {
            const int i = start + j;
            const int k = std::min (i >> 1, numControls - 1);
            const int k1 = std::min (k + 1, numControls - 1);
            out[j] = values[k] + (values[k1] - values[k]) * ((i & 1) != 0 ? 0.5f : 0.0f);
        }
        return;
    }

    for (int j = 0; j < length; ++j)
    {
        const int i = start + j;
        const float m = (float) i / (float) samplesPerControl;
        const int k = juce::jlimit (0, numControls - 1, i / samplesPerControl);
        const int k1 = std::min (k + 1, numControls - 1);
        out[j] = values[k] + (values[k1] - values[k]) * (m - (float) k);
    }
}
} // namespace

void ColourStage::prepare (double sampleRate, int maxBlockSize)
{
    const double fs = std::max (sampleRate, 1.0);
    const double rate = std::max (2.0 * fs, 100.0);

    oversampler.prepare (std::max (1, maxBlockSize));
    prepared = true;

    colourLowpassCoefficient = (float) std::exp (-juce::MathConstants<double>::twoPi * lowpassHz / std::max (2.0 * fs, 1.0));
    standardAtanOfSlope = std::atan (standardSlope);
    standardTanhOfBias = std::tanh (standardBias);

    for (auto& channel : colourChannel)
    {
        designLowBell (channel.lowBell, rate);
        designHighShelf (channel.highShelf, rate);
        channel.glue.prepare (rate);
    }

    reset();
}

void ColourStage::reset()
{
    for (auto& channel : colourChannel)
    {
        channel.lowBell.reset();
        channel.highShelf.reset();
        channel.glue.reset();
        channel.colourPreviousGainReductionDb = 0.0f;
        channel.colourLowpass = 0.0f;
    }

    oversampler.reset();
}

float ColourStage::getLatencySamples() const
{
    return prepared ? oversampler.getLatencySamples() : 0.0f;
}

void ColourStage::applyNonlinearColourStage (juce::AudioBuffer<float>& wet, const juce::AudioBuffer<float>& gainReduction,
                                             const std::vector<float>& harm, const std::vector<float>& attack,
                                             int numChannels, int numSamples, float colourAmount, int ratioMode)
{
    float* const* channels = wet.getArrayOfWritePointers();

    if (! prepared)
    {
        colourBlock (channels, numChannels, numSamples, gainReduction, harm, attack, numSamples, colourAmount, ratioMode);
        return;
    }

    oversampler.processSamplesUp (channels, numChannels, numSamples);
    float* oversampled[2] = { oversampler.getOversampledChannel (0), oversampler.getOversampledChannel (1) };
    colourBlock (oversampled, numChannels, 2 * numSamples, gainReduction, harm, attack, numSamples, colourAmount, ratioMode);
    oversampler.processSamplesDown (channels, numChannels, numSamples);
}

void ColourStage::colourBlock (float* const* channels, int numChannels, int total, const juce::AudioBuffer<float>& gainReduction,
                               const std::vector<float>& harm, const std::vector<float>& attack, int numSamples,
                               float colourAmount, int ratioMode)
{
    const int numControls = std::max (numSamples, 1);
    const int samplesPerControl = std::max (1, total / numControls);

    const int mode = juce::jlimit (0, 2, ratioMode);
    const ChunkSettings settings { engineColours[mode], colourAmount, colourLowpassCoefficient, standardAtanOfSlope,
                                   standardTanhOfBias };
    const auto kernel = numChannels == 2 ? kernelFor<2> (simdLevel, mode) : kernelFor<1> (simdLevel, mode);

    for (int start = 0; start < total; start += chunkLength)
    {
        const int length = std::min (chunkLength, total - start);
        interpolateControls (harm.data(), attack.data(), numControls, samplesPerControl, start, length);

        float* samples[2] {};
        for (int ch = 0; ch < numChannels; ++ch)
        {
            samples[ch] = channels[ch] + start;
            readChannel (ch, samples[ch], gainReduction.getReadPointer (ch), numControls, samplesPerControl, start, length);
        }

        kernel (chunk, colourChannel, settings, samples, length);
    }
}

void ColourStage::interpolateControls (const float* harm, const float* attack, int numControls, int samplesPerControl,
                                       int start, int length)
{
    interpolate (harm, numControls, samplesPerControl, start, length, chunk.harmonicAmount.data());
    interpolate (attack, numControls, samplesPerControl, start, length, chunk.attackMs.data());

    bool layerOff = true;
    for (int j = 0; j < length; ++j)
    {
        auto& amount = chunk.harmonicAmount[(size_t) j];
        amount = clamp01 (amount / harmonicScale);
        layerOff = layerOff && amount == 0.0f;
    }
    chunk.harmonicLayerOff = layerOff;
}

void ColourStage::readChannel (int channel, const float* samples, const float* reduction, int numControls,
                               int samplesPerControl, int start, int length)
{
    auto& c = chunk.channels[(size_t) channel];
    interpolate (reduction, numControls, samplesPerControl, start, length, c.reductionDb.data());

    // Whole vectors: the lanes past the end get silence and are never written back.
    const int padded = (length + lanes - 1) / lanes * lanes;
    std::copy (samples, samples + length, c.input.begin());
    std::fill (c.input.begin() + length, c.input.begin() + padded, 0.0f);
    std::fill (c.reductionDb.begin() + length, c.reductionDb.begin() + padded, 0.0f);

    // The movement of the reduction is measured from one oversampled sample to the next.
    auto& colour = colourChannel[channel];
    c.previousReductionDb[0] = colour.colourPreviousGainReductionDb;
    std::copy (c.reductionDb.begin(), c.reductionDb.begin() + padded - 1, c.previousReductionDb.begin() + 1);
    colour.colourPreviousGainReductionDb = c.reductionDb[(size_t) length - 1];
}

float ColourStage::softClip (float y)
{
    if (! std::isfinite (y))
        return 0.0f;
    const float clipped = juce::jlimit (-1.4f, 1.4f, 0.92f * y);
    return clipped - 0.085f * clipped * clipped * clipped;
}
