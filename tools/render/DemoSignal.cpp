#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace
{
constexpr double twoPi = juce::MathConstants<double>::twoPi;
constexpr int stepsPerBar = 16;

// Bar-by-bar loudness of each part: a quiet intro, a build and a loud finish.
constexpr float drumLevels[DemoSignal::bars] = { 0.0f, 0.35f, 0.6f, 1.0f, 1.0f };
constexpr float bassLevels[DemoSignal::bars] = { 0.0f, 0.4f, 0.7f, 1.0f, 1.0f };
constexpr float padLevels[DemoSignal::bars] = { 0.5f, 0.55f, 0.7f, 0.9f, 1.0f };

constexpr int kickSteps[] = { 0, 6, 8, 11 };
constexpr int snareSteps[] = { 4, 12 };

// A minor progression, one chord per bar (MIDI notes), and the bass root of each.
constexpr int chords[DemoSignal::bars][3] = { { 57, 60, 64 }, { 53, 57, 60 }, { 48, 52, 55 }, { 55, 59, 62 }, { 57, 60, 64 } };

double noteHz (int midiNote)
{
    return 440.0 * std::pow (2.0, (midiNote - 69) / 12.0);
}

struct Writer
{
    juce::AudioBuffer<float>& out;

    void add (juce::int64 start, int length, float gainLeft, float gainRight, const std::function<float (int)>& voice)
    {
        const int total = out.getNumSamples();
        for (int i = 0; i < length && start + i < total; ++i)
        {
            const float x = voice (i);
            out.addSample (0, (int) start + i, x * gainLeft);
            out.addSample (1, (int) start + i, x * gainRight);
        }
    }
};

void addKick (Writer& writer, juce::int64 start, double fs, float level)
{
    double phase = 0.0;
    writer.add (start, (int) (0.35 * fs), level, level, [&phase, fs] (int i)
    {
        const double t = i / fs;
        const double frequency = 48.0 + 110.0 * std::exp (-t * 35.0); // pitch drop of a kick drum
        phase += twoPi * frequency / fs;
        return (float) (std::sin (phase) * std::exp (-t * 9.0));
    });
}

void addSnare (Writer& writer, juce::int64 start, double fs, float level, juce::Random& random)
{
    writer.add (start, (int) (0.25 * fs), level * 0.9f, level, [&random, fs] (int i)
    {
        const double t = i / fs;
        const double tone = 0.5 * std::sin (twoPi * 190.0 * t) * std::exp (-t * 30.0);
        const double noise = (random.nextFloat() * 2.0 - 1.0) * std::exp (-t * 18.0);
        return (float) (0.7 * (tone + noise));
    });
}

void addHat (Writer& writer, juce::int64 start, double fs, float level, juce::Random& random)
{
    float previous = 0.0f;
    writer.add (start, (int) (0.05 * fs), level * 0.8f, level * 0.5f, [&random, &previous, fs] (int i)
    {
        // A first difference of white noise leaves mostly the top octaves.
        const float noise = random.nextFloat() * 2.0f - 1.0f;
        const float bright = noise - previous;
        previous = noise;
        return (float) (0.25 * bright * std::exp (-(i / fs) * 60.0));
    });
}

void addBassNote (Writer& writer, juce::int64 start, int length, double fs, double hz, float level)
{
    double phase = 0.0;
    float lowpass = 0.0f;
    writer.add (start, length, level, level, [&phase, &lowpass, fs, hz, length] (int i)
    {
        phase += hz / fs;
        const float saw = (float) (2.0 * (phase - std::floor (phase)) - 1.0);
        lowpass += 0.08f * (saw - lowpass);
        const double envelope = std::min (1.0, i / (0.005 * fs)) * std::min (1.0, (length - i) / (0.01 * fs));
        return (float) (0.6 * lowpass * envelope);
    });
}

void addPadChord (Writer& writer, juce::int64 start, int length, double fs, const int* notes, float level)
{
    for (int v = 0; v < 3; ++v)
    {
        for (const double detune : { -0.003, 0.003 })
        {
            const double hz = noteHz (notes[v] + 12) * (1.0 + detune);
            double phase = 0.0;
            float lowpass = 0.0f;
            const float left = detune < 0.0 ? level : level * 0.6f; // detuned voices spread the chord
            const float right = detune < 0.0 ? level * 0.6f : level;
            writer.add (start, length, left, right, [&phase, &lowpass, fs, hz, length] (int i)
            {
                phase += hz / fs;
                const float saw = (float) (2.0 * (phase - std::floor (phase)) - 1.0);
                lowpass += 0.03f * (saw - lowpass);
                const double swell = std::min (1.0, i / (0.4 * fs)) * std::min (1.0, (length - i) / (0.05 * fs));
                return (float) (0.05 * lowpass * swell);
            });
        }
    }
}
} // namespace

juce::AudioBuffer<float> DemoSignal::render (double sampleRate)
{
    const double secondsPerStep = 60.0 / bpm / 4.0;
    const int samplesPerStep = (int) std::lround (secondsPerStep * sampleRate);
    const int samplesPerBar = samplesPerStep * stepsPerBar;

    juce::AudioBuffer<float> out (2, samplesPerBar * bars);
    out.clear();
    Writer writer { out };
    juce::Random random (20261211); // fixed seed: the demo is the same on every run

    for (int bar = 0; bar < bars; ++bar)
    {
        const juce::int64 barStart = (juce::int64) bar * samplesPerBar;
        addPadChord (writer, barStart, samplesPerBar, sampleRate, chords[bar], padLevels[bar]);

        for (int step = 0; step < stepsPerBar; ++step)
        {
            const juce::int64 at = barStart + (juce::int64) step * samplesPerStep;
            const float accent = (step % 4 == 0) ? 1.0f : 0.7f;

            if (std::find (std::begin (kickSteps), std::end (kickSteps), step) != std::end (kickSteps))
                addKick (writer, at, sampleRate, drumLevels[bar]);
            if (std::find (std::begin (snareSteps), std::end (snareSteps), step) != std::end (snareSteps))
                addSnare (writer, at, sampleRate, drumLevels[bar], random);
            if (step % 2 == 0 || bar >= 3)
                addHat (writer, at, sampleRate, drumLevels[bar] * accent, random);

            if (step % 2 == 0 && bassLevels[bar] > 0.0f)
            {
                const int octave = (step % 8 == 6) ? 0 : -12; // an octave jump on the offbeat
                addBassNote (writer, at, 2 * samplesPerStep - samplesPerStep / 4, sampleRate,
                             noteHz (chords[bar][0] - 12 + octave), bassLevels[bar] * accent);
            }
        }
    }

    // A short fade keeps both ends click-free; the peak lands near -1 dBFS.
    const int fade = (int) (0.01 * sampleRate);
    out.applyGainRamp (0, fade, 0.0f, 1.0f);
    out.applyGainRamp (out.getNumSamples() - fade, fade, 1.0f, 0.0f);
    const float peak = out.getMagnitude (0, out.getNumSamples());
    if (peak > 0.0f)
        out.applyGain (0.89f / peak);

    return out;
}
