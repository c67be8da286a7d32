#include "engine/ParameterTable.h"

#include "core/IPluginBase.h"
#include "core/TextFormat.h"
#include "engine/OscillatorTables.h"

#include <array>
#include <cmath>
#include <optional>

namespace vorlunda {

namespace {

constexpr std::array<double, 20> kSyncBeats = {
    16.0, 12.0,      8.0, 6.0,   4.0,       3.0,  2.0,    1.5,       4.0 / 3.0, 1.0,
    0.75, 2.0 / 3.0, 0.5, 0.375, 1.0 / 3.0, 0.25, 0.1875, 1.0 / 6.0, 0.125,     0.0625};
constexpr const char* kSyncTexts[20] = {"4/1",  "2/1.", "2/1",   "1/1.",  "1/1",  "1/2.", "1/2",
                                        "1/4.", "1/2T", "1/4",   "1/8.",  "1/4T", "1/8",  "1/16.",
                                        "1/8T", "1/16", "1/32.", "1/16T", "1/32", "1/64"};
constexpr const char* kLfoShapes[6] = {"Triangle", "Sine", "Square", "Saw Up", "Saw Dn", "S/H"};

void Choice(IPluginBase& plugin, int index, const char* name, int defaultValue,
            std::initializer_list<const char*> texts) {
    PlugParam* p = plugin.Parameter(index);
    p->InitChoice(name, defaultValue, static_cast<int>(texts.size()));
    int id = 0;
    for (const char* text : texts)
        p->AddValueText(id++, text);
}

void OffOn(IPluginBase& plugin, int index, const char* name, int defaultValue) {
    Choice(plugin, index, name, defaultValue, {"Off", "On"});
}

void Continuous(IPluginBase& plugin, int index, const char* name, double min, double max,
                double defaultValue, double step, double shape = 1.0) {
    plugin.Parameter(index)->InitContinuous(name, defaultValue, min, max, step, "", "", shape);
}

void Integer(IPluginBase& plugin, int index, const char* name, int min, int max, int defaultValue) {
    plugin.Parameter(index)->InitInteger(name, defaultValue, min, max);
}

} // namespace

double SyncRateBeats(int id) {
    return kSyncBeats[static_cast<std::size_t>(std::clamp(id, 0, 19))];
}

void FormatCutoff(double value, char* text) {
    // The display rounds over 17281 pitch steps; the engine truncates over 17280.
    const double pitch = std::floor(value * 17281.0 + 0.5);
    const int clamped = static_cast<int>(std::clamp(std::isnan(pitch) ? 0.0 : pitch, 0.0, 17280.0));
    FormatInt(static_cast<long long>(PitchToFrequency(clamped)), text, PlugParam::kTextSize);
}

void FormatIntervalTune(double value, char* text) {
    FormatFixed(value * 0.0078125, 1, text, PlugParam::kTextSize); // 1/128 semitone -> semitones
}

bool ParseCutoff(const char* text, double* value) {
    const std::optional<double> hz = ParseDouble(text ? text : "");
    if (!hz)
        return false;
    // The display shows whole hertz of one of the 17281 pitch steps and rises with the step:
    // the first step whose shown hertz reach the text's, or the step below when that is nearer.
    auto shown = [](int pitch) { return std::floor(PitchToFrequency(pitch)); };
    int low = 0;
    int high = 17280;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (shown(middle) < *hz)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0 && *hz - shown(low - 1) < shown(low) - *hz)
        --low;
    *value = low / 17281.0;
    return true;
}

bool ParseIntervalTune(const char* text, double* value) {
    const std::optional<double> semitones = ParseDouble(text ? text : "");
    if (!semitones)
        return false;
    *value = *semitones * 128.0; // semitones -> 1/128 semitone
    return true;
}

void InitInstrumentParameters(IPluginBase& plugin) {
    IPluginBase& p = plugin;
    Choice(p, kVoices, "Voices", 3,
           {"1 Voice", "2 Voices", "4 Voices", "8 Voices", "16 Voices", "32 Voices", "64 Voices"});
    Continuous(p, kPortamento, "Portamnt", 0, 5, 0, 0.01, 4); // seconds
    OffOn(p, kPortaLegato, "Porta Lg", 0);
    Choice(p, kBendRange, "PB Range", 0, {"2", "3", "5", "7", "12"});
    Continuous(p, kVolume, "Volume", 0, 1, 0.5, 0.01);
    Integer(p, kMasterTune, "M. Tune", -64, 64, 0); // 1/128 semitone
    Integer(p, kDetune, "Detune", 0, 64, 5);
    Integer(p, kIntervalTune, "I. Tune", -896, 896, 896);
    p.Parameter(kIntervalTune)->SetDisplayFunction(FormatIntervalTune, ParseIntervalTune);
    Continuous(p, kFmLfo, "FM LFO", 0, 1537, 0, 1, 2);

    const char* squares[4] = {"Square16", "Square 8", "Square 4", "Square 2"};
    const char* pulses[4] = {"Pulse 16", "Pulse 8", "Pulse 4", "Pulse 2"};
    const char* intervals[4] = {"Intvl 16", "Intvl 8", "Intvl 4", "Intvl 2"};
    const char* multis[4] = {"Multi 16", "Multi 8", "Multi 4", "Multi 2"};
    const char* saws[4] = {"Saw 16", "Saw 8", "Saw 4", "Saw 2"};
    for (int f = 0; f < 4; ++f) {
        OffOn(p, kSquare16 + f, squares[f], f == 1 ? 1 : 0); // only the 8' square sounds by default
        OffOn(p, kPulse16 + f, pulses[f], 0);
        OffOn(p, kInterval16 + f, intervals[f], 0);
        OffOn(p, kMulti16 + f, multis[f], 0);
        OffOn(p, kSaw16 + f, saws[f], 0);
    }

    Continuous(p, kNoiseMix, "NoiseMix", 0, 1, 0, 0.01);
    Choice(p, kFilterMode, "Flt Mode", 1, {"Hipass", "Lowpass"});
    Choice(p, kFilterPoles, "Flt Pole", 3, {"6", "12", "18", "24"});
    Continuous(p, kFilterCutoff, "Flt Frq", 0, 1, std::sqrt(0.5), 0.001, 0.5);
    p.Parameter(kFilterCutoff)->SetDisplayFunction(FormatCutoff, ParseCutoff);
    Continuous(p, kFilterResonance, "Flt Reso", 0, 1, 0, 0.001);
    Continuous(p, kFilterEnvAmount, "Flt Env", -7681, 7681, 0, 1); // 1/128 semitone
    Continuous(p, kFilterLfoAmount, "Flt LFO", 0, 7681, 0, 1);
    Continuous(p, kFilterKeyTrack, "Flt Keyb", 0, 1536.2, 768.1, 1);
    Continuous(p, kLfoRate, "LFO Frq", 0.001, 99.999, 5.5, 0.001, 4); // Hz
    Continuous(p, kLfoDelay, "LFO Dly", 0, 1, 0, 0.001);
    Choice(p, kRepeat, "Repeat", 0, {"Normal", "Repeat", "Host"});
    Continuous(p, kGateLength, "Gate Len", 0, 1, 0.5, 0.001);
    OffOn(p, kEnvRetrigger, "Env RTrg", 0);
    Choice(p, kFilterEnvMode, "FltEnv M", 0, {"ADSR", "AD"});
    Continuous(p, kFilterEnvAttack, "FltEnv A", 0, 1, 0, 0.001);
    Continuous(p, kFilterEnvDecay, "FltEnv D", 0, 1, 0, 0.001);
    Continuous(p, kFilterEnvSustain, "FltEnv S", 0, 1, 0, 0.001);
    Continuous(p, kFilterEnvRelease, "FltEnv R", 0, 1, 0, 0.001);
    Choice(p, kAmpEnvMode, "AmpEnv M", 0, {"ADSR", "AD"});
    Continuous(p, kAmpEnvAttack, "AmpEnv A", 0, 1, 0, 0.001);
    Continuous(p, kAmpEnvDecay, "AmpEnv D", 0, 1, 0, 0.001);
    Continuous(p, kAmpEnvSustain, "AmpEnv S", 0, 1, 1, 0.001);
    Continuous(p, kAmpEnvRelease, "AmpEnv R", 0, 1, 0, 0.001);
    Continuous(p, kDrive, "Drive", 0, 1, 0, 0.001);
    const char* eqNames[7] = {"EQ 100", "EQ 200", "EQ 400", "EQ 1K", "EQ 2.5K", "EQ 5K", "EQ 12K"};
    for (int b = 0; b < 7; ++b)
        Continuous(p, kEq100 + b, eqNames[b], -15, 15, 0, 0.01); // dB

    PlugParam* sync = p.Parameter(kSyncRate);
    sync->InitChoice("SyncRate", 15, 20);
    for (int id = 0; id < 20; ++id)
        sync->AddValueText(id, kSyncTexts[id]);

    OffOn(p, kWheelToFm, "MW > FM", 0);
    OffOn(p, kWheelToFilterMod, "MW > FcM", 0);
    Choice(p, kWheelToCutoff, "MW > Fc", 0, {"0", "25", "50", "75", "100"});
    Choice(p, kOscSync, "Osc Sync", 0,
           {"Off", "16'+", "8'+", "4'+", "2'+", "16'", "8'", "4'", "2'"});
    Continuous(p, kFmEnv, "FM Env", -7681, 7681, 0, 1);
    Continuous(p, kFilterVelocity, "Flt Velo", 0, 7681, 0, 1);
    Continuous(p, kAmpEnvVelocity, "AEnv Vel", 0, 1, 0, 0.001);
    Continuous(p, kAmpAttackVelocity, "AAtt Vel", 0, 1, 0, 0.001);
    Continuous(p, kFilterEnvVelocity, "FEnv Vel", 0, 1, 0, 0.001);
    Continuous(p, kFilterAttackVelocity, "FAtt Vel", 0, 1, 0, 0.001);
    PlugParam* lfoOsc = p.Parameter(kLfoOscShape);
    PlugParam* lfoFlt = p.Parameter(kLfoFilterShape);
    lfoOsc->InitChoice("LFO Osc", 0, 6);
    lfoFlt->InitChoice("LFO Flt", 0, 6);
    for (int s = 0; s < 6; ++s) {
        lfoOsc->AddValueText(s, kLfoShapes[s]);
        lfoFlt->AddValueText(s, kLfoShapes[s]);
    }
    Continuous(p, kChorusMix, "Cho Mix", 0, 1, 0, 0.001);
    Choice(p, kChorusType, "Cho Type", 0, {"Mode 1", "Mode 2"});
    Continuous(p, kStereo, "Stereo", 0, 1, 1, 0.001);
    Continuous(p, kChorusLfo1, "Cho LFO1", 0, 100, 7, 1);
    Continuous(p, kChorusLfo2, "Cho LFO2", 0, 100, 13, 1);
    Continuous(p, kChorusDepth, "Cho Dpt", 0, 1, 0.2, 0.01);
}

} // namespace vorlunda
