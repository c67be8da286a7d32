#pragma once

#include "BlockRunner.h"
#include "EventList.h"
#include "Groups.h"
#include "PluginInstance.h"

#include <memory>
#include <string>
#include <vector>

namespace vorlunda::validate {

// The usual host settings when a group has no reason to choose others.
constexpr double kUsualRate = 44100.0; // Hz
constexpr int kUsualBlock = 512;       // samples

// Loads the plug-in library of the run; a failure fails the group.
bool LoadPlugin(GroupContext& context, PluginLibrary& library, GroupReport& report);
// A new instance through the entry point; a refusal fails the group (null).
std::unique_ptr<PluginInstance> NewInstance(PluginLibrary& library, GroupReport& report,
                                            const HostBehaviour& behaviour = {});

// What most groups open with: the run's library loaded, one instance created through its entry
// point with `behaviour` and, when `block` > 0, started (opened, `rate`, `block`, processing on).
// A failure fails the group and answers false.
struct OpenedPlugin {
    PluginLibrary library;
    std::unique_ptr<PluginInstance> plugin;
};
bool OpenPlugin(GroupContext& context, GroupReport& report, OpenedPlugin& opened, int block = 0,
                double rate = kUsualRate, const HostBehaviour& behaviour = {});

// Every parameter to a random value (0..1), through setParameter.
void RandomParameters(PluginInstance& plugin, Random& random);
// A random program, through effSetProgram.
void RandomProgram(PluginInstance& plugin, Random& random);

// Note messages on channel 1.
void NoteOn(EventList& events, int deltaFrames, int note, int velocity = 100);
void NoteOff(EventList& events, int deltaFrames, int note);
// A spread chord across the keyboard (the notes of kChord), on or off.
void Chord(EventList& events, int deltaFrames, bool on, int velocity = 100);
// Sustain off, all notes off and all sound off on every channel, then a note-off for every
// note on every channel: whatever a host sends when the transport stops.
void Panic(EventList& events);

// Renders blocks of silence input and no events until the output has stayed below
// `threshold` (linear) for `quietSeconds`, or `limitSeconds` have passed. Answers the time in
// seconds from the start to the end of the last block above the threshold, or a negative
// value when the output was still above it at the limit.
double TimeToSilence(BlockRunner& runner, PluginInstance& plugin, int block, double threshold,
                     double quietSeconds, double limitSeconds, const char* context);

// Which part of a group a helper child runs (a rate of the grid, say): set by the parent
// before it starts the child, which inherits it through the environment (-1 for none).
void SetChildPart(int part);
int ChildPart();

// A helper child's failures into its group's report, each after `prefix`, the ones it only
// counted counted again; its figures too when `figures`.
void TakeChild(const GroupReport& child, GroupReport& report, const std::string& prefix,
               bool figures);

// Formatting for the report's figures.
std::string Fixed(double value, int decimals);
std::string Hex(std::uint64_t value);
std::string RateText(double hz); // "44100 Hz", "1234.5678 Hz"
// The middle value (the upper one of an even count); 0 for none.
double Median(std::vector<double> values);

} // namespace vorlunda::validate
