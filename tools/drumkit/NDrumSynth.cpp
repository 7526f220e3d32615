#include "tools/drumkit/NDrumSynth.h"

#include "audio/NWavHeader.h"
#include "engine/NTime.h"
#include "foundation/ChunkFile.h"
#include "foundation/LittleEndian.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double Rate = ntime::SampleRate;
constexpr double Pi = 3.14159265358979323846;
constexpr double TwoPi = 2.0 * Pi;

using Signal = std::vector<double>;

// Lengths are whole blocks, as the drum machine plays them, rounded down so that a sound
// never runs past its nominal length.
int framesFor(double seconds)
{
    return ntime::roundDownToBlocks(static_cast<int>(seconds * Rate));
}

double timeOf(std::size_t frame)
{
    return frame / Rate;
}

// xorshift32: white noise in [-1, 1) that is the same on every machine.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed != 0 ? seed : 1) {}

    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / 2147483648.0 - 1.0;
    }

    // A starting phase in [0, 1), so that oscillators do not all switch together at the first frame.
    double phase() { return (next() + 1.0) * 0.5; }

private:
    std::uint32_t state_;
};

// Second-order section (transposed direct form II) with the usual analog-prototype designs; the
// band-pass has 0 dB gain at its centre.
class Biquad {
public:
    static Biquad lowPass(double hz, double q) { return design(hz, q, Kind::Low); }
    static Biquad highPass(double hz, double q) { return design(hz, q, Kind::High); }
    static Biquad bandPass(double hz, double q) { return design(hz, q, Kind::Band); }

    double process(double x)
    {
        double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

private:
    enum class Kind { Low, High, Band };

    static Biquad design(double hz, double q, Kind kind)
    {
        double w = TwoPi * hz / Rate;
        double cosw = std::cos(w);
        double alpha = std::sin(w) / (2.0 * q);
        double a0 = 1.0 + alpha;
        Biquad f;
        switch (kind) {
        case Kind::Low:
            f.b0_ = (1.0 - cosw) / 2.0;
            f.b1_ = 1.0 - cosw;
            f.b2_ = f.b0_;
            break;
        case Kind::High:
            f.b0_ = (1.0 + cosw) / 2.0;
            f.b1_ = -(1.0 + cosw);
            f.b2_ = f.b0_;
            break;
        case Kind::Band:
            f.b0_ = alpha;
            f.b1_ = 0.0;
            f.b2_ = -alpha;
            break;
        }
        f.b0_ /= a0;
        f.b1_ /= a0;
        f.b2_ /= a0;
        f.a1_ = -2.0 * cosw / a0;
        f.a2_ = (1.0 - alpha) / a0;
        return f;
    }

    double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double z1_ = 0, z2_ = 0;
};

double decay(double t, double tau)
{
    return std::exp(-t / tau);
}

// A sine whose frequency may change from frame to frame, integrated so that sweeps stay smooth.
class SineOsc {
public:
    double next(double hz)
    {
        double v = std::sin(TwoPi * phase_);
        phase_ += hz / Rate;
        phase_ -= std::floor(phase_);
        return v;
    }

private:
    double phase_ = 0.0;
};

// Six square waves at inharmonic, slightly detuned pitches: the raw metal of hats and cymbals.
// The pairs are ring-modulated on request (a product of squares is their exclusive-or), which
// thickens the cluster into a crash.
class MetalCluster {
public:
    MetalCluster(const double (&hz)[6], Noise& noise)
    {
        for (int i = 0; i < 6; ++i) {
            hz_[i] = hz[i];
            phase_[i] = noise.phase();
        }
    }

    double next(bool ringModulated)
    {
        double v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = phase_[i] < 0.5 ? 1.0 : -1.0;
            phase_[i] += hz_[i] / Rate;
            phase_[i] -= std::floor(phase_[i]);
        }
        if (ringModulated)
            return (v[0] * v[1] + v[2] * v[3] + v[4] * v[5] + 0.5 * (v[0] + v[2] + v[4])) / 4.5;
        return (v[0] + v[1] + v[2] + v[3] + v[4] + v[5]) / 6.0;
    }

private:
    double hz_[6];
    double phase_[6];
};

// Turns a raw signal into a kit sound: removes DC, fades in over a fraction of a millisecond (so the
// first frame is zero without dulling the attack) and out over `fadeOut` seconds, takes out what is
// left of the mean with a window that is zero at both ends, and scales the peak to -1 dBFS.
NDrumSynth::Sound finish(Signal x, double fadeOut)
{
    const int n = static_cast<int>(x.size());

    // One-pole DC blocker at about 10 Hz, well below every drum's fundamental.
    const double r = 1.0 - TwoPi * 10.0 / Rate;
    double previousIn = 0.0, previousOut = 0.0;
    for (double& v : x) {
        double out = v - previousIn + r * previousOut;
        previousIn = v;
        previousOut = out;
        v = out;
    }

    const int fadeIn = std::min(16, n);
    for (int i = 0; i < fadeIn; ++i)
        x[i] *= 0.5 - 0.5 * std::cos(Pi * i / fadeIn);
    const int fadeOutFrames = std::min(n, static_cast<int>(fadeOut * Rate));
    for (int i = 0; i < fadeOutFrames; ++i) {
        // Reaches exactly zero at the last frame.
        double g = 0.5 - 0.5 * std::cos(Pi * i / std::max(1, fadeOutFrames - 1));
        x[n - 1 - i] *= g;
    }

    if (n > 2) {
        double sum = 0.0, windowSum = 0.0;
        for (int i = 0; i < n; ++i) {
            sum += x[i];
            windowSum += 1.0 - std::cos(TwoPi * i / (n - 1));
        }
        const double k = sum / windowSum;
        for (int i = 0; i < n; ++i)
            x[i] -= k * (1.0 - std::cos(TwoPi * i / (n - 1)));
    }

    double peak = 0.0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    const double gain = peak > 0.0 ? NDrumSynth::Peak / peak : 0.0;

    NDrumSynth::Sound out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        long v = std::lround(x[i] * gain);
        out[i] = static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L));
    }
    return out;
}

// A tom: a sine that drops from above its pitch into it, with a soft stick noise on the attack and
// a little drive for analog roundness.
NDrumSynth::Sound tom(double hz, double tau, double seconds, std::uint32_t seed)
{
    Signal x(framesFor(seconds));
    SineOsc body;
    Noise noise(seed);
    Biquad stick = Biquad::bandPass(2200.0, 0.8);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        double pitch = hz * (1.0 + 0.4 * decay(t, 0.07));
        double v = body.next(pitch) * decay(t, tau);
        v = std::tanh(1.5 * v) / std::tanh(1.5);
        v += 0.35 * stick.process(noise.next()) * decay(t, 0.004);
        x[i] = v;
    }
    return finish(std::move(x), 0.05);
}

// A snare: two drum-head modes with a slight pitch drop, under a noise band for the wires.
struct SnareVoice {
    double mode1, mode2;       // Hz
    double tau1, tau2;         // mode decays, seconds
    double level2;             // second mode against the first
    double noiseLow, noiseHigh; // the wires' band, Hz
    double noiseTau, noiseLevel;
    double seconds;
    std::uint32_t seed;
};

NDrumSynth::Sound snareFrom(const SnareVoice& s)
{
    Signal x(framesFor(s.seconds));
    SineOsc head1, head2;
    Noise noise(s.seed);
    Biquad cutLows = Biquad::highPass(s.noiseLow, 0.7);
    Biquad cutHighs = Biquad::lowPass(s.noiseHigh, 0.7);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        double bend = 1.0 + 0.15 * decay(t, 0.012);
        double body = head1.next(s.mode1 * bend) * decay(t, s.tau1) +
                      s.level2 * head2.next(s.mode2 * bend) * decay(t, s.tau2);
        double wires = cutHighs.process(cutLows.process(noise.next())) * decay(t, s.noiseTau);
        x[i] = body + s.noiseLevel * wires;
    }
    return finish(std::move(x), 0.03);
}

// Hats and cymbals: a square cluster, with a little noise, through a band-pass and a steep
// high-pass, shaped by an envelope.
struct MetalVoice {
    const double (&cluster)[6];
    double bandHz, bandQ, highHz;
    double noiseMix;
    bool ringModulated;
    double seconds, fadeOut;
    std::uint32_t seed;
    double (*level)(double t);
};

NDrumSynth::Sound metalFrom(const MetalVoice& m)
{
    Signal x(framesFor(m.seconds));
    Noise noise(m.seed);
    MetalCluster cluster(m.cluster, noise);
    Biquad band = Biquad::bandPass(m.bandHz, m.bandQ);
    Biquad high1 = Biquad::highPass(m.highHz, 0.7);
    Biquad high2 = Biquad::highPass(m.highHz, 0.7);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        double raw = (1.0 - m.noiseMix) * cluster.next(m.ringModulated) + m.noiseMix * noise.next();
        x[i] = high2.process(high1.process(band.process(raw))) * m.level(t);
    }
    return finish(std::move(x), m.fadeOut);
}

// The hats share one cluster, as on the machines that drew both from the same oscillators.
constexpr double HatCluster[6] = {317.0, 449.5, 476.3, 603.1, 658.7, 912.4};
constexpr double RideCluster[6] = {281.2, 374.9, 431.7, 557.3, 619.8, 834.6};
constexpr double CrashCluster[6] = {296.4, 411.8, 467.2, 586.9, 702.3, 977.5};

} // namespace

NDrumSynth::Sound NDrumSynth::bassDrum()
{
    Signal x(framesFor(0.7));
    SineOsc body;
    Noise noise(0xB0D5);
    Biquad clickBand = Biquad::bandPass(3000.0, 0.7);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        // From about 170 Hz down to 50 Hz within a few tens of milliseconds: the thump.
        double pitch = 50.0 + 120.0 * decay(t, 0.03);
        double level = t < 0.015 ? 1.0 : decay(t - 0.015, 0.17);
        double v = std::tanh(1.8 * body.next(pitch) * level) / std::tanh(1.8);
        v += 0.6 * clickBand.process(noise.next()) * decay(t, 0.0015);
        x[i] = v;
    }
    return finish(std::move(x), 0.06);
}

// The toms are a major third apart: A2, C#3, F3.
NDrumSynth::Sound NDrumSynth::lowTom()
{
    return tom(110.0, 0.20, 0.75, 0x7011);
}

NDrumSynth::Sound NDrumSynth::midTom()
{
    return tom(110.0 * std::pow(2.0, 4.0 / 12.0), 0.17, 0.65, 0x7022);
}

NDrumSynth::Sound NDrumSynth::highTom()
{
    return tom(110.0 * std::pow(2.0, 8.0 / 12.0), 0.14, 0.55, 0x7033);
}

NDrumSynth::Sound NDrumSynth::snare()
{
    return snareFrom({200.0, 345.0, 0.055, 0.035, 0.6, 1800.0, 9000.0, 0.075, 1.2, 0.32, 0x5A1E});
}

// Higher head, shorter decays and a brighter wire band: a tighter, cutting snare.
NDrumSynth::Sound NDrumSynth::brightSnare()
{
    return snareFrom({240.0, 420.0, 0.04, 0.025, 0.55, 3000.0, 12000.0, 0.045, 1.4, 0.22, 0x5A2E});
}

NDrumSynth::Sound NDrumSynth::closedHat()
{
    return metalFrom({HatCluster, 8500.0, 1.2, 6500.0, 0.1, false, 0.08, 0.01, 0xC1A7,
                      [](double t) { return decay(t, 0.016); }});
}

NDrumSynth::Sound NDrumSynth::openHat()
{
    return metalFrom({HatCluster, 8500.0, 1.2, 6500.0, 0.1, false, 0.55, 0.08, 0x0FA7,
                      [](double t) { return decay(t, 0.13); }});
}

// The ride: a narrower, more tonal band; a ping on the stroke over a long, even ring.
NDrumSynth::Sound NDrumSynth::ride()
{
    return metalFrom({RideCluster, 7000.0, 2.0, 5000.0, 0.05, false, 1.6, 0.25, 0xC7DE,
                      [](double t) { return 0.5 * decay(t, 0.02) + 0.5 * decay(t, 0.42); }});
}

// The crash: ring-modulated pairs and more noise for a wash, a burst on the stroke, a long tail.
NDrumSynth::Sound NDrumSynth::crash()
{
    return metalFrom({CrashCluster, 6000.0, 0.6, 4500.0, 0.35, true, 2.0, 0.3, 0xC7A5,
                      [](double t) { return 0.6 * decay(t, 0.04) + 0.4 * decay(t, 0.5); }});
}

// Three quick bursts of band-passed noise, a few hands not quite together, then the room's tail.
NDrumSynth::Sound NDrumSynth::clap()
{
    static const double bursts[3] = {0.0, 0.0105, 0.0225};
    const double tailStart = 0.034;
    Signal x(framesFor(0.32));
    Noise noise(0xC1A9);
    // The body of the clap near 1 kHz, with a little upper-mid crack; nothing much above that.
    Biquad band = Biquad::bandPass(1150.0, 1.4);
    Biquad crisp = Biquad::bandPass(2600.0, 1.0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        double level = 0.0;
        for (double start : bursts) {
            if (t >= start)
                level += decay(t - start, 0.0035);
        }
        if (t >= tailStart)
            level += 0.9 * decay(t - tailStart, 0.065);
        else // the tail swells in under the last burst
            level += 0.9 * std::max(0.0, t - bursts[2]) / (tailStart - bursts[2]);
        double n = noise.next();
        x[i] = (band.process(n) + 0.4 * crisp.process(n)) * level;
    }
    return finish(std::move(x), 0.03);
}

// Two damped high-Q modes struck at once, with a tick of noise: the stick on the rim.
NDrumSynth::Sound NDrumSynth::rimShot()
{
    Signal x(framesFor(0.07));
    SineOsc low, high;
    Noise noise(0x5133);
    Biquad tick = Biquad::highPass(5000.0, 0.7);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double t = timeOf(i);
        double v = low.next(480.0) * decay(t, 0.009) + 0.8 * high.next(1690.0) * decay(t, 0.006);
        v = std::tanh(2.0 * v) / std::tanh(2.0);
        v += 0.5 * tick.process(noise.next()) * decay(t, 0.0015);
        x[i] = v;
    }
    return finish(std::move(x), 0.01);
}

const NDrumSynth::KitSound NDrumSynth::kit[KitSize] = {
    {"CR_std.wav", &NDrumSynth::crash},   {"CY_std.wav", &NDrumSynth::ride},
    {"OH_std.wav", &NDrumSynth::openHat}, {"CH_std.wav", &NDrumSynth::closedHat},
    {"HT_std.wav", &NDrumSynth::highTom}, {"MT_std.wav", &NDrumSynth::midTom},
    {"LT_std.wav", &NDrumSynth::lowTom},  {"CL_std.wav", &NDrumSynth::clap},
    {"RS_std.wav", &NDrumSynth::rimShot}, {"SN_std.wav", &NDrumSynth::snare},
    {"SN2_std.wav", &NDrumSynth::brightSnare}, {"BD_std.wav", &NDrumSynth::bassDrum},
};

bool NDrumSynth::writeWav(const String& path, const Sound& frames)
{
    ChunkFile file(path, false);
    if (file.failed())
        return false;
    NWavHeader::begin(file, 1);
    std::vector<std::uint8_t> bytes(frames.size() * 2);
    for (std::size_t i = 0; i < frames.size(); ++i)
        littleendian::write16(bytes.data() + 2 * i, static_cast<std::uint16_t>(frames[i]));
    file.writeBytes(bytes.data(), static_cast<int>(bytes.size()));
    file.ascend();
    file.ascend();
    return file.finish();
}
