#pragma once

namespace vorlunda {

// The instrument's 79 parameters. The index is the host-visible parameter number, the index in
// the controller map and the order of values in the program state: never reorder.
enum Param : int {
    kVoices = 0,
    kPortamento,
    kPortaLegato,
    kBendRange,
    kVolume,
    kMasterTune,
    kDetune,
    kIntervalTune,
    kFmLfo,
    kSquare16, // 9..12: square 16', 8', 4', 2'
    kSquare8,
    kSquare4,
    kSquare2,
    kPulse16, // 13..16
    kPulse8,
    kPulse4,
    kPulse2,
    kInterval16, // 17..20
    kInterval8,
    kInterval4,
    kInterval2,
    kMulti16, // 21..24
    kMulti8,
    kMulti4,
    kMulti2,
    kNoiseMix,
    kFilterMode,
    kFilterPoles,
    kFilterCutoff,
    kFilterResonance,
    kFilterEnvAmount,
    kFilterLfoAmount,
    kFilterKeyTrack,
    kLfoRate,
    kLfoDelay,
    kRepeat,
    kGateLength,
    kEnvRetrigger,
    kFilterEnvMode,
    kFilterEnvAttack,
    kFilterEnvDecay,
    kFilterEnvSustain,
    kFilterEnvRelease,
    kAmpEnvMode,
    kAmpEnvAttack,
    kAmpEnvDecay,
    kAmpEnvSustain,
    kAmpEnvRelease,
    kDrive,
    kEq100, // 49..55: 100, 200, 400, 1k, 2.5k, 5k, 12k Hz
    kEq200,
    kEq400,
    kEq1k,
    kEq2k5,
    kEq5k,
    kEq12k,
    kSyncRate,
    kWheelToFm,
    kWheelToFilterMod,
    kWheelToCutoff,
    kSaw16, // 60..63
    kSaw8,
    kSaw4,
    kSaw2,
    kOscSync,
    kFmEnv,
    kFilterVelocity,
    kAmpEnvVelocity,
    kAmpAttackVelocity,
    kFilterEnvVelocity,
    kFilterAttackVelocity,
    kLfoOscShape,
    kLfoFilterShape,
    kChorusMix,
    kChorusType,
    kStereo,
    kChorusLfo1,
    kChorusLfo2,
    kChorusDepth,
    kParamCount
};
static_assert(kParamCount == 79);

class IPluginBase;

// Initialises the 79 parameters of the instrument: names, kinds, ranges, defaults, shapes and
// display texts. Called once from the instrument's constructor.
void InitInstrumentParameters(IPluginBase& plugin);

// Quarter notes per retrigger for "SyncRate" text id 0..19 (ids outside give the last).
double SyncRateBeats(int id);

// Display of "Flt Frq": the cut-off in Hz that the normalised value stands for.
void FormatCutoff(double value, char* text);
// Display of "I. Tune": the interval in semitones.
void FormatIntervalTune(double value, char* text);
// The readers of those displays: the value whose display is the text, or the nearest one
// (host value entry through effString2Parameter). False for a text without a number.
bool ParseCutoff(const char* text, double* value);
bool ParseIntervalTune(const char* text, double* value);

} // namespace vorlunda
