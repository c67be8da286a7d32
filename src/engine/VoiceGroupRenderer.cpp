#include "engine/VoiceGroupRenderer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>

namespace vorlunda {

namespace {

// -1 while no path is forced.
std::atomic<int> forcedPath{-1};

SimdPath Detect() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init(); // may run before the runtime's own constructors have
    // The features first: the kernels' own files may run only on processors that have them.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq") && Avx512GroupKernels())
        return SimdPath::Avx512;
    if (__builtin_cpu_supports("avx2") && Avx2GroupKernels())
        return SimdPath::Avx2;
#endif
    return SimdPath::Sse2;
}

bool IsPositiveZero(double x) {
    return std::bit_cast<std::uint64_t>(x) == 0;
}

// An idle envelope must sit at +0 level and output, which the kernel's idle lanes reproduce.
bool IdleAtZero(const Envelope& e) {
    return e.Stage() != Envelope::kIdle ||
           (IsPositiveZero(e.Output()) && IsPositiveZero(e.Level()));
}

} // namespace

SimdPath VoiceGroupRenderer::DetectedPath() {
    // A function-local constant: initialised once, thread-safe, and nothing runs when the
    // library is loaded.
    static const SimdPath detected = Detect();
    return detected;
}

SimdPath VoiceGroupRenderer::ActivePath() {
    const SimdPath detected = DetectedPath();
    const int forced = forcedPath.load(std::memory_order_relaxed);
    if (forced < 0)
        return detected;
    return static_cast<SimdPath>(std::min(forced, static_cast<int>(detected)));
}

void VoiceGroupRenderer::ForcePath(SimdPath path) {
    forcedPath.store(static_cast<int>(path), std::memory_order_relaxed);
}

void VoiceGroupRenderer::ResetPath() {
    forcedPath.store(-1, std::memory_order_relaxed);
}

void VoiceGroupRenderer::Prepare(int maxSamples) {
    capacity = std::max(maxSamples, 1);
    const auto size = static_cast<std::size_t>(capacity) * kMaxGroupLanes;
    // The kernel reads the oscillator output in squares of lanes x lanes samples; the last lane's
    // square may reach that many samples past its chunk.
    inLeft.assign(size + kMaxGroupLanes, 0.0);
    inRight.assign(size + kMaxGroupLanes, 0.0);
    outLeft.assign(size, 0.0);
    outRight.assign(size, 0.0);
    count = 0;
}

void VoiceGroupRenderer::Begin(SimdPath path, double* left, double* right, int n) {
    narrow = &Sse2GroupKernels();
    middle = narrow;
    if (path == SimdPath::Avx512 && Avx512QuadGroupKernels())
        middle = Avx512QuadGroupKernels();
    else if (path >= SimdPath::Avx2 && Avx2GroupKernels())
        middle = Avx2GroupKernels();
    wide = middle;
    oscillatorKernels = &BaseOscillatorKernels();
    if (path >= SimdPath::Avx2 && Avx2OscillatorKernels())
        oscillatorKernels = Avx2OscillatorKernels();
    if (path == SimdPath::Avx512 && Avx512GroupKernels())
        wide = Avx512GroupKernels();
    mixLeft = left;
    mixRight = right;
    samples = std::min(n, capacity);
    count = 0;
}

bool VoiceGroupRenderer::Accepts(const Voice& v) {
    return !v.repeatEnabled && IdleAtZero(v.filterEnvelope) && IdleAtZero(v.ampEnvelope);
}

void VoiceGroupRenderer::Add(Voice& v) {
    if (count > 0 &&
        (v.filter.mode != queued[0]->filter.mode || v.filter.poles != queued[0]->filter.poles))
        Flush();
    queued[static_cast<std::size_t>(count++)] = &v;
    if (count == wide->lanes)
        Flush();
}

void VoiceGroupRenderer::Flush() {
    if (count == 0)
        return;
    Render(count <= narrow->lanes ? *narrow : count <= middle->lanes ? *middle : *wide);
    count = 0;
}

void VoiceGroupRenderer::LoadIdleEnvelope(EnvelopeLanes& e, int lane) {
    // Level 0, coefficient 0 and scale 0 keep the lane at +0 without a branch.
    const auto l = static_cast<std::size_t>(lane);
    e.level[l] = e.target[l] = e.coefficient[l] = e.output[l] = e.scale[l] = 0.0;
    e.stage[l] = e.decayCoefficient[l] = e.sustain[l] = 0.0;
}

void VoiceGroupRenderer::LoadEnvelope(EnvelopeLanes& e, int lane, const Envelope& env, bool& live) {
    live = env.stage != Envelope::kIdle;
    const auto l = static_cast<std::size_t>(lane);
    if (!live) {
        LoadIdleEnvelope(e, lane);
        return;
    }
    e.level[l] = env.level;
    e.target[l] = env.target;
    e.coefficient[l] = env.coefficient;
    e.output[l] = env.output;
    e.scale[l] = (env.velocity - 1.0) * env.levelVelocityAmount + 1.0; // as Step computes it
    e.stage[l] = env.stage;
    e.decayCoefficient[l] = env.decayCoefficient;
    e.sustain[l] = env.sustain;
}

void VoiceGroupRenderer::StoreEnvelope(const EnvelopeLanes& e, int lane, Envelope& env) {
    const auto l = static_cast<std::size_t>(lane);
    env.level = e.level[l];
    env.target = e.target[l];
    env.coefficient = e.coefficient[l];
    env.output = e.output[l];
    env.stage = static_cast<int>(e.stage[l]);
}

void VoiceGroupRenderer::LoadVoice(int lane, const Voice& v) {
    FilterLanes& f = lanesData.filter;
    const VoiceFilter& filter = v.filter;
    const auto l = static_cast<std::size_t>(lane);
    f.g[l] = filter.g;
    f.g4[l] = filter.g4;
    f.m[l] = filter.m;
    f.k[l] = filter.k;
    f.normaliser[l] = filter.normaliser;
    const VoiceFilter::Stages& sl = filter.state[0];
    const VoiceFilter::Stages& sr = filter.state[1];
    f.left[0][l] = sl.s1;
    f.left[1][l] = sl.s2;
    f.left[2][l] = sl.s3;
    f.left[3][l] = sl.s4;
    f.right[0][l] = sr.s1;
    f.right[1][l] = sr.s2;
    f.right[2][l] = sr.s3;
    f.right[3][l] = sr.s4;
    // The one-voice filter runs the left channel first, so the right one's bias starts where
    // the left's n flips leave it.
    f.biasLeft[l] = filter.bias;
    f.biasRight[l] = samples % 2 ? -filter.bias : filter.bias;
    LoadEnvelope(lanesData.filterEnvelope, lane, v.filterEnvelope, filterEnvelopeLive[l]);
    LoadEnvelope(lanesData.ampEnvelope, lane, v.ampEnvelope, ampEnvelopeLive[l]);
}

void VoiceGroupRenderer::LoadIdleLane(int lane) {
    FilterLanes& f = lanesData.filter;
    const auto l = static_cast<std::size_t>(lane);
    f.g[l] = f.g4[l] = f.m[l] = f.k[l] = f.normaliser[l] = 0.0;
    for (int j = 0; j < 4; ++j)
        f.left[j][l] = f.right[j][l] = 0.0;
    f.biasLeft[l] = f.biasRight[l] = 0.0;
    LoadIdleEnvelope(lanesData.filterEnvelope, lane);
    LoadIdleEnvelope(lanesData.ampEnvelope, lane);
}

void VoiceGroupRenderer::StoreVoice(int lane, Voice& v) const {
    const FilterLanes& f = lanesData.filter;
    const auto l = static_cast<std::size_t>(lane);
    VoiceFilter& filter = v.filter;
    filter.state[0] = {f.left[0][l], f.left[1][l], f.left[2][l], f.left[3][l]};
    filter.state[1] = {f.right[0][l], f.right[1][l], f.right[2][l], f.right[3][l]};
    // 2n flips leave the bias where it was.
    if (filterEnvelopeLive[l])
        StoreEnvelope(lanesData.filterEnvelope, lane, v.filterEnvelope);
    if (ampEnvelopeLive[l])
        StoreEnvelope(lanesData.ampEnvelope, lane, v.ampEnvelope);
}

void VoiceGroupRenderer::Render(const VoiceGroupKernels& kernels) {
    const int lanes = kernels.lanes;
    const int n = samples;
    // The voices' filter and envelope states first, while Add's look at them left them in the
    // first-level cache; each oscillator's table reads would evict them. Then the oscillators, in
    // voice order: they share the noise generator.
    for (int lane = 0; lane < count; ++lane)
        LoadVoice(lane, *queued[static_cast<std::size_t>(lane)]);
    for (int lane = 0; lane < count; ++lane)
        queued[static_cast<std::size_t>(lane)]->oscillator.Render(
            inLeft.data() + lane * n, inRight.data() + lane * n, n, 1, *oscillatorKernels);
    for (int lane = count; lane < lanes; ++lane) {
        std::fill_n(inLeft.data() + lane * n, n, 0.0);
        std::fill_n(inRight.data() + lane * n, n, 0.0);
        LoadIdleLane(lane);
    }
    lanesData.inLeft = inLeft.data();
    lanesData.inRight = inRight.data();
    lanesData.outLeft = outLeft.data();
    lanesData.outRight = outRight.data();
    lanesData.samples = n;
    const VoiceFilter& first = queued[0]->filter;
    kernels.run[first.mode == VoiceFilter::kLowpass ? 1 : 0][first.poles](lanesData);
    for (int lane = 0; lane < count; ++lane)
        StoreVoice(lane, *queued[static_cast<std::size_t>(lane)]);

    // Into the mix voice by voice, as the voices one after the other add.
    const double* productLeft = outLeft.data();
    const double* productRight = outRight.data();
    if (count == 8 && lanes == 8) {
        for (int i = 0; i < n; ++i) {
            const double* pl = productLeft + i * 8;
            const double* pr = productRight + i * 8;
            mixLeft[i] = mixLeft[i] + pl[0] + pl[1] + pl[2] + pl[3] + pl[4] + pl[5] + pl[6] + pl[7];
            mixRight[i] =
                mixRight[i] + pr[0] + pr[1] + pr[2] + pr[3] + pr[4] + pr[5] + pr[6] + pr[7];
        }
        return;
    }
    if (count == 4 && lanes == 4) {
        for (int i = 0; i < n; ++i) {
            const double* pl = productLeft + i * 4;
            const double* pr = productRight + i * 4;
            mixLeft[i] = mixLeft[i] + pl[0] + pl[1] + pl[2] + pl[3];
            mixRight[i] = mixRight[i] + pr[0] + pr[1] + pr[2] + pr[3];
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        double l = mixLeft[i];
        double r = mixRight[i];
        for (int lane = 0; lane < count; ++lane) {
            l += productLeft[i * lanes + lane];
            r += productRight[i * lanes + lane];
        }
        mixLeft[i] = l;
        mixRight[i] = r;
    }
}

} // namespace vorlunda
