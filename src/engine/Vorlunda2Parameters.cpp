// How parameter values and sample-rate changes reach the engine and the voices.
#include "engine/ParameterTable.h"
#include "engine/Vorlunda2.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

namespace {
// Pitch units (1/128 semitone) per full bend for "PB Range" 2, 3, 5, 7, 12 semitones.
int BendRangeUnits(int choice) {
    switch (choice) {
    case 1:
        return 384;
    case 2:
        return 640;
    case 3:
        return 896;
    case 4:
        return 1536;
    default:
        return 256;
    }
}
} // namespace

void Vorlunda2::RestartProcessing() {
    Lock lock(Mutex());
    Synth::RestartProcessing();
    if (SampleRate() != sampleRate) {
        sampleRate = SampleRate();
        mixLeft.assign(static_cast<std::size_t>(controlBlockSize), 0.0);
        mixRight.assign(static_cast<std::size_t>(controlBlockSize), 0.0);
        voiceGroups.Prepare(controlBlockSize);
        noteCounter = 0;
        for (Voice& v : voices)
            ResetVoice(v, sampleRate);
        chorus.Prepare(sampleRate);
        for (std::size_t b = 0; b < equaliser.size(); ++b) {
            equaliser[b].SetSampleRate(sampleRate);
            equaliser[b].Design(EqBand::kCentreFrequencies[b]);
            equaliser[b].SetGain(equaliserGain[b]);
        }
    }
    controlSamplesLeft = 0;
    lastBeatPosition = 0.0;
    syncPeriod = 0.0;
    pitchBendSmoothed = modWheelSmoothed = pitchBendRaw = modWheelRaw = 0.0;
}

void Vorlunda2::ResetVoice(Voice& v, double rate) {
    v.active = v.keyDown = v.sustained = v.sounding = false;
    v.repeatPending = v.repeatEnabled = false;
    v.glideStep = 0.0;
    v.glideTicksLeft = 0;
    v.note = 48;
    v.glidePitch = 6144.0; // note 48
    v.retriggerCountdown = v.gateCountdown = -1.0;
    v.repeatPeriod = 1.0;
    v.age = 0;
    v.repeatElapsed = 0.0;
    v.keyTrack = 0.0;
    v.velocityNorm = 0.0;
    v.bufferLength = std::max(static_cast<int>(std::min(rate, 1e9)) / 1000, 1);
    v.left.assign(static_cast<std::size_t>(v.bufferLength), 0.0);
    v.right.assign(static_cast<std::size_t>(v.bufferLength), 0.0);
    v.lfoFade = 0.0;
    v.lfoFadeStep = Lfo::FadeStep(v.lfoDelay);
    v.oscillator.Prepare(rate);
    v.filter.Prepare(rate);
    v.filterEnvelope.Reset(rate);
    v.ampEnvelope.Reset(rate);
}

void Vorlunda2::ParameterChanged(int index) {
    Synth::ParameterChanged(index); // completes a pending MIDI learn, under the lock
    const PlugParam* param = Parameter(index);
    if (!param)
        return;
    const double v = param->RealValue();
    switch (index) {
    case kVoices: {
        const int p = 1 << std::clamp(static_cast<int>(v), 0, 6);
        if (p == polyphony)
            return;
        KillAllNotes();
        polyphony = p;
        for (int i = 0; i < ParameterCount(); ++i)
            ParameterChanged(i);
        return;
    }
    case kVolume:
        masterGain = v * 0.5;
        return;
    case kFilterCutoff:
        // Glide to the new cut-off over 100 ticks (0.1 s) instead of jumping.
        cutoffStepsLeft = 100;
        cutoffStep = (v - cutoffValue) / 100.0;
        return;
    case kLfoRate:
        lfo.SetRate(v);
        lfoRate = v;
        UpdateRepeatPeriods();
        return;
    case kRepeat:
        repeatMode = static_cast<int>(v);
        UpdateRepeatPeriods();
        break; // the voices take it too
    case kDrive:
        drive.SetDrive(v);
        return;
    case kEq100:
    case kEq200:
    case kEq400:
    case kEq1k:
    case kEq2k5:
    case kEq5k:
    case kEq12k: {
        const std::size_t band = static_cast<std::size_t>(index - kEq100);
        if (v != equaliserGain[band]) {
            equaliserGain[band] = v;
            equaliser[band].SetGain(v); // dB; exactly 0 bypasses the band
        }
        return;
    }
    case kSyncRate:
        syncFactor = SyncRateBeats(static_cast<int>(v));
        UpdateRepeatPeriods();
        return;
    case kLfoOscShape:
        lfo.SetOscillatorShape(static_cast<int>(v));
        return;
    case kLfoFilterShape:
        lfo.SetFilterShape(static_cast<int>(v));
        return;
    case kChorusMix:
        chorus.SetMix(v);
        return;
    case kChorusType:
        chorus.SetType(static_cast<int>(v));
        return;
    case kStereo:
        chorus.SetStereo(v);
        break; // the voices' oscillators spread too
    case kChorusLfo1:
        chorus.SetLfo1Rate(v);
        return;
    case kChorusLfo2:
        chorus.SetLfo2Rate(v);
        return;
    case kChorusDepth:
        chorus.SetDepth(v);
        return;
    default:
        break;
    }
    for (Voice& voice : voices)
        ApplyVoiceParameter(voice, index, v);
}

void Vorlunda2::ApplyVoiceParameter(Voice& voice, int index, double v) {
    const int b = static_cast<int>(std::floor(v + 0.5));
    const bool f = v >= 0.5;
    Oscillator& osc = voice.oscillator;
    switch (index) {
    case kPortamento:
        voice.portamentoTime = v;
        break;
    case kPortaLegato:
        voice.legatoPortamento = f;
        break;
    case kBendRange:
        osc.SetBendRange(BendRangeUnits(b));
        break;
    case kMasterTune:
        osc.SetMasterTune(b);
        break;
    case kDetune:
        osc.SetDetune(b);
        break;
    case kIntervalTune:
        osc.SetIntervalTune(b);
        break;
    case kFmLfo:
        osc.SetLfoDepth(v);
        break;
    case kSquare16:
    case kSquare8:
    case kSquare4:
    case kSquare2:
        osc.SetSquare(index - kSquare16, f);
        break;
    case kPulse16:
    case kPulse8:
    case kPulse4:
    case kPulse2:
        osc.SetPulse(index - kPulse16, f);
        break;
    case kInterval16:
    case kInterval8:
    case kInterval4:
    case kInterval2:
        osc.SetInterval(index - kInterval16, f);
        break;
    case kMulti16:
    case kMulti8:
    case kMulti4:
    case kMulti2:
        osc.SetMulti(index - kMulti16, f);
        break;
    case kSaw16:
    case kSaw8:
    case kSaw4:
    case kSaw2:
        osc.SetSaw(index - kSaw16, f);
        break;
    case kNoiseMix:
        osc.SetNoiseMix(v);
        break;
    case kFilterMode:
        voice.filter.SetMode(b);
        break; // resets the filter only on a change
    case kFilterPoles:
        voice.filter.SetPoles(b);
        break;
    case kFilterResonance:
        voice.filter.SetResonance(v);
        break;
    case kFilterEnvAmount:
        voice.filter.SetEnvelopeDepth(v);
        break;
    case kFilterLfoAmount:
        voice.filter.SetLfoDepth(v);
        break;
    case kFilterKeyTrack:
        voice.filter.SetKeyDepth(v);
        break;
    case kFilterVelocity:
        voice.filter.SetVelocityDepth(v);
        break;
    case kLfoDelay:
        voice.lfoDelay = v;
        voice.lfoFadeStep = Lfo::FadeStep(v);
        break;
    case kRepeat:
        voice.repeatMode = b;
        voice.repeatEnabled = b != 0;
        break;
    case kGateLength:
        voice.gateLength = v;
        break;
    case kEnvRetrigger:
        voice.envelopeRetrigger = f;
        break;
    case kFilterEnvMode:
        voice.filterEnvelope.SetMode(f);
        break;
    case kFilterEnvAttack:
        voice.filterEnvelope.SetAttack(v);
        break;
    case kFilterEnvDecay:
        voice.filterEnvelope.SetDecay(v);
        break;
    case kFilterEnvSustain:
        voice.filterEnvelope.SetSustain(v);
        break;
    case kFilterEnvRelease:
        voice.filterEnvelope.SetRelease(v);
        break;
    case kAmpEnvMode:
        voice.ampEnvelope.SetMode(f);
        break;
    case kAmpEnvAttack:
        voice.ampEnvelope.SetAttack(v);
        break;
    case kAmpEnvDecay:
        voice.ampEnvelope.SetDecay(v);
        break;
    case kAmpEnvSustain:
        voice.ampEnvelope.SetSustain(v);
        break;
    case kAmpEnvRelease:
        voice.ampEnvelope.SetRelease(v);
        break;
    case kAmpEnvVelocity:
        voice.ampEnvelope.SetLevelVelocityAmount(v);
        break;
    case kAmpAttackVelocity:
        voice.ampEnvelope.SetAttackVelocityAmount(v);
        break;
    case kFilterEnvVelocity:
        voice.filterEnvelope.SetLevelVelocityAmount(v);
        break;
    case kFilterAttackVelocity:
        voice.filterEnvelope.SetAttackVelocityAmount(v);
        break;
    case kWheelToFm:
        voice.wheelToFm = f;
        break;
    case kWheelToFilterMod:
        voice.wheelToCutoffLfo = f;
        break;
    case kWheelToCutoff:
        voice.wheelToCutoffDepth = v * 0.25 * 15362.0;
        break;
    case kOscSync:
        osc.SetSyncMode(b);
        break;
    case kFmEnv:
        osc.SetEnvelopeDepth(v);
        break;
    case kStereo:
        osc.SetStereoSpread(v);
        break;
    default:
        break;
    }
}

} // namespace vorlunda
