#pragma once

#include "AudioSink.h"
#include "EventList.h"
#include "MidiFile.h"
#include "PluginHost.h"
#include "TempoMap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::render {

struct RenderSettings {
    double sampleRate = 48000.0; // Hz
    int blockSize = 512;         // samples per processReplacing call
    double tailSeconds = 2.0;    // rendered after the last message, for releases and effects
    bool progress = true;        // progress lines on stderr during long renders
};

struct RenderResult {
    std::int64_t frames = 0;
    double audioSeconds = 0.0;
    double cpuSeconds = 0.0; // processor time of the whole process while rendering
    double peak = 0.0;       // largest absolute sample, 1.0 = full scale
    bool finite = true;      // no NaN or infinity in the output
    long midiEventsOut = 0;  // MIDI events the plug-in sent to the host
};

// Plays a list of MIDI messages through a plug-in that is open and resumed: before each block
// the messages due in it go to effProcessEvents with their sample offsets (deltaFrames), and the
// host's transport (position, tempo, bar, signature from the tempo map) is set for the block;
// then processReplacing renders it. The first two outputs go to the sink.
class Renderer {
public:
    static constexpr double kMaxSeconds = 24.0 * 3600.0; // longer songs are refused

    Renderer(PluginHost& host, const RenderSettings& settings);

    // False with a reason in Error() when the song is too long or the sink fails.
    bool Render(const std::vector<MidiMessage>& messages, const TempoMap& tempo, AudioSink& sink);
    int Channels() const; // channels handed to the sink: 1 or 2
    const RenderResult& Result() const { return result; }
    const std::string& Error() const { return error; }

private:
    std::int64_t FrameOf(double seconds) const;
    void SendDueEvents(const std::vector<MidiMessage>& messages, std::size_t& next,
                       std::int64_t blockStart, int frames);
    void SetTransport(const TempoMap& tempo, std::int64_t blockStart, bool first);
    void Measure(int frames);

    PluginHost& host;
    RenderSettings settings;
    RenderResult result;
    std::string error;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float*> inputPointers, outputPointers;
    vsthost::EventList blockEvents;
};

} // namespace vorlunda::render
