#include "Renderer.h"

#include "CpuTime.h"
#include "NumberText.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>

namespace vorlunda::render {

using namespace vorlunda::vst;

namespace {
constexpr auto kProgressInterval = std::chrono::seconds(3);
} // namespace

Renderer::Renderer(PluginHost& host, const RenderSettings& settings)
    : host(host), settings(settings) {
    const AEffect* effect = host.Effect();
    const auto block = static_cast<std::size_t>(settings.blockSize);
    inputs.assign(static_cast<std::size_t>(std::max(effect->numInputs, 0)),
                  std::vector<float>(block));
    outputs.assign(static_cast<std::size_t>(effect->numOutputs), std::vector<float>(block));
    for (auto& channel : inputs)
        inputPointers.push_back(channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back(channel.data());
}

int Renderer::Channels() const {
    return std::min<int>(static_cast<int>(outputs.size()), 2);
}

std::int64_t Renderer::FrameOf(double seconds) const {
    return static_cast<std::int64_t>(std::floor(seconds * settings.sampleRate + 0.5));
}

bool Renderer::Render(const std::vector<MidiMessage>& messages, const TempoMap& tempo,
                      AudioSink& sink) {
    result = RenderResult{};
    const double songSeconds = messages.empty() ? 0.0 : messages.back().seconds;
    if (songSeconds + settings.tailSeconds > kMaxSeconds) {
        error = "the song lasts " + Fixed(songSeconds / 3600.0, 1) +
                " hours; renders longer than 24 hours are refused";
        return false;
    }
    const std::int64_t lastFrame = messages.empty() ? -1 : FrameOf(songSeconds);
    const std::int64_t total = lastFrame + 1 + FrameOf(settings.tailSeconds);
    const long midiBefore = host.MidiEventsReceived();

    const auto wallStart = std::chrono::steady_clock::now();
    auto nextReport = wallStart + kProgressInterval;
    const double cpuStart = ProcessCpuSeconds();
    std::size_t next = 0;
    for (std::int64_t start = 0; start < total; start += settings.blockSize) {
        const int frames =
            static_cast<int>(std::min<std::int64_t>(settings.blockSize, total - start));
        SetTransport(tempo, start, start == 0);
        SendDueEvents(messages, next, start, frames);
        for (auto& channel : outputs)
            std::fill(channel.begin(), channel.end(), 0.0f);
        host.ProcessReplacing(inputPointers.empty() ? nullptr : inputPointers.data(),
                              outputPointers.data(), frames);
        Measure(frames);
        if (!sink.Write(outputPointers.data(), frames)) {
            error = "cannot write the audio";
            return false;
        }
        result.frames += frames;
        if (settings.progress && std::chrono::steady_clock::now() >= nextReport) {
            nextReport += kProgressInterval;
            std::cerr << "vorlunda2-render: " << Fixed(result.frames / settings.sampleRate, 1)
                      << " of " << Fixed(total / settings.sampleRate, 1) << " s rendered\n";
        }
    }
    result.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    result.audioSeconds = result.frames / settings.sampleRate;
    result.midiEventsOut = host.MidiEventsReceived() - midiBefore;
    return true;
}

void Renderer::SendDueEvents(const std::vector<MidiMessage>& messages, std::size_t& next,
                             std::int64_t blockStart, int frames) {
    std::size_t due = next;
    while (due < messages.size() && FrameOf(messages[due].seconds) < blockStart + frames)
        ++due;
    if (due == next)
        return;
    blockEvents.ClearWithRoomFor(static_cast<int>(due - next));
    for (; next < due; ++next) {
        const MidiMessage& m = messages[next];
        const auto offset = std::max<std::int64_t>(FrameOf(m.seconds) - blockStart, 0);
        blockEvents.Midi(static_cast<int>(offset), m.status, m.data1, m.data2);
    }
    host.ProcessEvents(blockEvents.Events());
}

void Renderer::SetTransport(const TempoMap& tempo, std::int64_t blockStart, bool first) {
    const MusicalPosition position = tempo.PositionAt(blockStart / settings.sampleRate);
    VstTimeInfo time{};
    time.samplePos = static_cast<double>(blockStart);
    time.sampleRate = settings.sampleRate;
    time.ppqPos = position.quarters;
    time.tempo = position.tempo;
    time.barStartPos = position.barStart;
    time.timeSigNumerator = position.numerator;
    time.timeSigDenominator = position.denominator;
    time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                 kVstTimeSigValid | (first ? kVstTransportChanged : 0);
    host.SetTime(time);
}

void Renderer::Measure(int frames) {
    for (int c = 0; c < Channels(); ++c)
        for (int i = 0; i < frames; ++i) {
            const float sample = outputs[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
            if (!std::isfinite(sample))
                result.finite = false;
            else
                result.peak = std::max(result.peak, static_cast<double>(std::fabs(sample)));
        }
}

} // namespace vorlunda::render
