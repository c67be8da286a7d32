#include "engine/VoiceFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorlunda {

namespace {

constexpr double kFeedbackPerResonance = 4.2; // resonance 1 self-oscillates

LastRateTable<CutoffTable>& CutoffRegistry() {
    static LastRateTable<CutoffTable> registry(&VoiceFilter::BuildCutoffs);
    return registry;
}

} // namespace

VoiceFilter::VoiceFilter() : cutoffTable(CutoffRegistry().Current()) {
    Reset();
}

std::shared_ptr<const CutoffTable> VoiceFilter::Cutoffs(double sampleRate) {
    return CutoffRegistry().Acquire(sampleRate);
}

void VoiceFilter::BuildCutoffs(CutoffTable& out, double sampleRate) {
    // The rate goes through single precision, as the host hands it over.
    const double rate = static_cast<float>(sampleRate);
    out.sampleRate = sampleRate;
    for (int i = 0; i < kPitchCount; ++i)
        out.values[i] = PitchToFrequency(i) * (2.0 * std::numbers::pi) / rate;
}

void VoiceFilter::Prepare(double sampleRate) {
    if (std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate != cutoffTable->sampleRate)
        cutoffTable = Cutoffs(sampleRate);
    Reset();
}

void VoiceFilter::SetMode(int newMode) {
    newMode = std::clamp(newMode, kHighpass, kLowpass);
    if (newMode == mode)
        return;
    mode = newMode;
    Reset();
}

void VoiceFilter::SetPoles(int newPoles) {
    poles = std::clamp(newPoles, 0, 3);
}

// The states start off-centre, so the first note after a reset begins with a short decaying
// transient. The coefficients are those of the cached pitch 0 in the current mode, so a first
// cut-off of exactly 0, which the cache skips, still filters (a highpass there passes nearly
// everything).
void VoiceFilter::Reset() {
    for (Stages& st : state)
        st = {1.0, 0.0, -1.0, 0.0};
    SetPitch(0);
    k = resonance * kFeedbackPerResonance;
    normaliser = 1.0 / (k * g4 + 1.0);
}

void VoiceFilter::SetPitch(int pitch) {
    cachedPitch = pitch;
    const double w = cutoffTable->At(pitch); // radians per sample
    m = (w - 2.0) / (w + 2.0);
    g = mode == kHighpass ? 2.0 / (w + 2.0) : w / (w + 2.0);
    g4 = g * g * g * g;
}

void VoiceFilter::UpdateCoefficients(int cutoffPitch, const FilterModulation& mod) {
    const int p =
        TruncatePitch(mod.envelope * envelopeDepth + (cutoffPitch + mod.wheelOffset) +
                      mod.lfo * lfoDepth + mod.keyTrack * keyDepth + mod.velocity * velocityDepth);
    if (p != cachedPitch)
        SetPitch(p);
    k = resonance * kFeedbackPerResonance;
    normaliser = 1.0 / (k * g4 + 1.0);
}

// The per-sample work reads everything from locals, so the states stay in registers.
struct VoiceFilter::Kernel {
    double g, g4, m, k, normaliser;
    int poles;
};

// One sample of one channel. Each stage is y = g * in + s with s' = +-g * in - m * y (+ for the
// lowpass, - for the highpass); y is the fourth stage's output estimated from the states before
// the sample, exact while the clamp is inactive. `c` is this sample's bias.
template <bool Lowpass>
double VoiceFilter::Tick(Stages& st, const Kernel& q, double x, double c) {
    st.s1 += c;
    st.s2 += c;
    st.s3 += c;
    st.s4 += c;
    const double g = q.g;
    const double m = q.m;
    const double in = c + x;
    const double y = (((st.s1 * g + st.s2) * g + st.s3) * g + st.s4 + in * q.g4) * q.normaliser;
    const double u = (in - std::clamp(y, -kFeedbackClamp, kFeedbackClamp) * q.k) * g;
    const double y1 = st.s1 + u;
    double y2;
    double y3;
    if constexpr (Lowpass) {
        st.s1 = u - y1 * m;
        y2 = st.s2 + y1 * g;
        st.s2 = y1 * g - y2 * m;
        y3 = st.s3 + y2 * g;
        st.s3 = y2 * g - y3 * m;
        st.s4 = y3 * g - (st.s4 + y3 * g) * m;
    } else {
        st.s1 = -u - y1 * m;
        y2 = st.s2 + y1 * g;
        st.s2 = -(y1 * g) - y2 * m;
        y3 = st.s3 + y2 * g;
        st.s3 = -(y2 * g) - y3 * m;
        st.s4 = -(y3 * g) - (st.s4 + y3 * g) * m;
    }
    switch (q.poles) {
    case 0:
        return y1;
    case 1:
        return y2;
    case 2:
        return y3;
    default:
        return y;
    }
}

// The left channel runs first, then the right; the bias keeps flipping across both.
template <bool Lowpass>
void VoiceFilter::ProcessChannel(Stages& stages, std::span<double> x) {
    const Kernel q{g, g4, m, k, normaliser, poles};
    Stages st = stages;
    double c = bias;
    for (double& v : x) {
        v = Tick<Lowpass>(st, q, v, c);
        c = -c;
    }
    stages = st;
    bias = c;
}

void VoiceFilter::Process(std::span<double> left, std::span<double> right) {
    if (left.size() == right.size()) {
        ProcessPair(left, right, [&](std::size_t i, double l, double r) {
            left[i] = l;
            right[i] = r;
        });
        return;
    }
    if (mode == kLowpass) {
        ProcessChannel<true>(state[0], left);
        ProcessChannel<true>(state[1], right);
    } else {
        ProcessChannel<false>(state[0], left);
        ProcessChannel<false>(state[1], right);
    }
}

} // namespace vorlunda
