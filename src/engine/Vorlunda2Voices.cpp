// Note handling of the instrument: voice choice, mono priority, portamento and legato, sustain,
// the Repeat retrigger, and the per-tick and per-chunk work of each voice.
#include "engine/Vorlunda2.h"

#include "synth/TuningClient.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace vorlunda {

int Vorlunda2::NoteToPitch(int note, int /*velocity*/, int /*age*/) {
    const TuningClient* tuning = Tuning();
    return tuning ? tuning->NoteToPitch(note) : std::clamp(note, 0, 127) * 128;
}

void Vorlunda2::NoteOn(int note, int velocity) {
    // A tuning master may leave notes of its scale silent: such a note-on leaves no trace, so
    // its note-off finds nothing of it to release. Note-offs are never filtered.
    const TuningClient* tuning = Tuning();
    if (tuning && tuning->HasMaster() && tuning->ShouldFilterNote(note))
        return;

    heldNotes.Set(note, velocity);

    Voice* chosen = nullptr;
    for (int i = 0; i < polyphony && !chosen; ++i) {
        if (voices[static_cast<std::size_t>(i)].note == note)
            chosen = &voices[static_cast<std::size_t>(i)];
    }
    for (int i = 0; i < polyphony && !chosen; ++i) {
        Voice& v = voices[static_cast<std::size_t>(i)];
        if (!v.active && !v.keyDown)
            chosen = &v;
    }
    if (!chosen && polyphony > 0) {
        // All busy: steal the oldest note; ties keep the lower voice.
        chosen = &voices[0];
        for (int i = 1; i < polyphony; ++i) {
            if (voices[static_cast<std::size_t>(i)].age < chosen->age)
                chosen = &voices[static_cast<std::size_t>(i)];
        }
    }
    if (!chosen)
        return; // polyphony 0: not prepared yet

    ++noteCounter;
    UpdateRepeatPeriods();
    StartVoice(*chosen, note, velocity, noteCounter, songPosition + syncPeriod - nextSyncBoundary);
}

void Vorlunda2::NoteOff(int note) {
    heldNotes.Erase(note);
    Voice& first = voices[0];
    if (polyphony == 1 && first.note == note && (first.active || first.keyDown) &&
        !heldNotes.Empty()) {
        // Mono: fall back to the highest key still held.
        const int highest = heldNotes.Highest();
        if (highest != first.note)
            StartVoice(first, highest, first.velocity, first.age, -1.0);
        return;
    }
    for (int i = 0; i < polyphony; ++i) {
        Voice& v = voices[static_cast<std::size_t>(i)];
        if (v.note == note) {
            ReleaseVoice(v);
            return;
        }
    }
}

void Vorlunda2::StartVoice(Voice& v, int note, int velocity, int age, double elapsed) {
    SetupVoiceNote(v, note, velocity, age);
    v.keyDown = true;
    v.sounding = true;
    switch (v.repeatMode) {
    case 1:
        v.repeatElapsed = 0.0;
        v.repeatFraction = 0.0;
        v.retriggerCountdown = 0.0;
        v.repeatPending = true;
        break;
    case 2:
        if (elapsed >= 0.0) {
            v.repeatElapsed = elapsed;
            v.repeatFraction = v.repeatElapsed / v.repeatPeriod;
            v.repeatPending = false;
            v.retriggerCountdown = v.repeatFraction * v.repeatPeriod - v.repeatElapsed;
        }
        break;
    default:
        v.repeatElapsed = 0.0;
        break;
    }
}

void Vorlunda2::SetupVoiceNote(Voice& v, int note, int velocity, int age) {
    v.targetPitch = NoteToPitch(note, velocity, age);
    if (v.portamentoTime > 0.0 && (!v.legatoPortamento || v.keyDown)) {
        const double ticks = std::floor(v.portamentoTime * 1000.0); // one tick per millisecond
        if (ticks > 0.0) {
            v.glideTicksLeft = static_cast<int>(ticks);
            v.glideStep = (v.targetPitch - v.glidePitch) / (v.portamentoTime * 1000.0);
        } else {
            v.glidePitch = v.targetPitch;
            v.glideStep = 0.0;
        }
    } else {
        v.glideTicksLeft = 0;
        v.glidePitch = v.targetPitch;
        v.glideStep = 0.0;
    }
    v.velocity = velocity;
    v.age = age;
    v.note = note;
    v.lfoFade = 0.0;
    v.active = true;
    v.keyTrack = (note - 48) / 12.0;
    v.velocityNorm = velocity / 127.0;
    // A legato note keeps the envelopes running unless retrigger or Repeat asks otherwise.
    if (!(v.keyDown && !v.envelopeRetrigger && v.repeatMode == 0)) {
        v.filterEnvelope.Trigger(v.velocityNorm);
        v.ampEnvelope.Trigger(v.velocityNorm);
    }
}

void Vorlunda2::ReleaseVoice(Voice& v) {
    v.keyDown = false;
    if (v.sustained)
        return;
    v.sounding = false;
    v.filterEnvelope.Release();
    v.ampEnvelope.Release();
}

void Vorlunda2::KillAllNotes() {
    heldNotes.Clear();
    for (Voice& v : voices) {
        v.sustained = false;
        if (!v.keyDown)
            ReleaseVoice(v);
    }
    for (Voice& v : voices)
        ReleaseVoice(v);
}

void Vorlunda2::SustainPedal(bool down) {
    for (Voice& v : voices) {
        v.sustained = down;
        if (!v.sustained && !v.keyDown)
            ReleaseVoice(v);
    }
}

void Vorlunda2::SetRepeatPeriod(double period) {
    if (period > 0.0) {
        for (Voice& v : voices)
            v.repeatPeriod = period;
    }
}

void Vorlunda2::UpdateRepeatPeriods() {
    if (repeatMode == 1) {
        lfoPeriodSamples = sampleRate / lfoRate;
        SetRepeatPeriod(lfoPeriodSamples);
    } else {
        SetRepeatPeriod(syncPeriod);
    }
}

void Vorlunda2::FixRepeatPhase(Voice& v) {
    if (v.repeatPending) {
        v.repeatFraction = v.repeatElapsed / v.repeatPeriod;
        v.repeatPending = false;
    }
}

void Vorlunda2::LfoWrapStep() {
    for (int i = 0; i < polyphony; ++i) {
        Voice& v = voices[static_cast<std::size_t>(i)];
        if (!v.sounding)
            continue;
        FixRepeatPhase(v);
        v.retriggerCountdown = v.repeatFraction * v.repeatPeriod + lfoPeriodSamples;
    }
}

void Vorlunda2::SyncBoundaryStep() {
    for (int i = 0; i < polyphony; ++i) {
        Voice& v = voices[static_cast<std::size_t>(i)];
        if (!v.sounding)
            continue;
        FixRepeatPhase(v);
        v.retriggerCountdown =
            (songPosition - nextSyncBoundary) + v.repeatFraction * v.repeatPeriod;
    }
}

void Vorlunda2::HostTempoStep() {
    tempo = std::round(timeInfo.tempo * 1000.0) * 0.001; // BPM to 0.001
    const double beat = timeInfo.ppqPos;
    if (beat == lastBeatPosition)
        return;
    if (!(tempo > 0.0))
        tempo = 120.0;
    const double samplesPerBeat = 60.0 / tempo * sampleRate;
    syncPeriod = samplesPerBeat * syncFactor;
    SetRepeatPeriod(syncPeriod);
    songPosition = timeInfo.samplePos >= 0.0 ? samplesPerBeat * beat : timeInfo.samplePos;
    if (syncPeriod > 0.0) {
        nextSyncBoundary = std::floor(songPosition / syncPeriod) * syncPeriod;
        if (songPosition > nextSyncBoundary)
            nextSyncBoundary += syncPeriod;
        if (songPosition >= nextSyncBoundary) {
            SyncBoundaryStep();
            nextSyncBoundary = syncPeriod + songPosition;
        }
    }
    lastBeatPosition = beat;
}

void Vorlunda2::UpdateVoiceControl(Voice& v) {
    if (!v.active) {
        if (v.ampEnvelope.Stage() != Envelope::kIdle)
            v.ampEnvelope.Step();
        return;
    }
    const double c = Lfo::AdvanceFade(v.lfoFade, v.lfoFadeStep);
    v.lfoToPitch = Lfo::FadedAmount(c, lfo.OscillatorOutput(), v.wheelToFm, modWheelSmoothed);
    v.lfoToCutoff = Lfo::FadedAmount(c, lfo.FilterOutput(), v.wheelToCutoffLfo, modWheelSmoothed);
    v.cutoffWheelOffset = v.wheelToCutoffDepth * modWheelSmoothed;
    v.ampEnvelope.Step();
    v.filterEnvelope.Step();
    if (v.glideTicksLeft > 0) {
        --v.glideTicksLeft;
        v.glidePitch += v.glideStep;
        if (v.glideTicksLeft == 0)
            v.glidePitch = v.targetPitch;
    }
    v.oscillator.UpdatePitch(
        v.glidePitch, PitchModulation{pitchBendSmoothed, v.lfoToPitch, v.filterEnvelope.Output()});
    v.filter.UpdateCoefficients(cutoffPitch,
                                FilterModulation{v.filterEnvelope.Output(), v.cutoffWheelOffset,
                                                 v.lfoToCutoff, v.keyTrack, v.velocityNorm});
    v.active = v.ampEnvelope.Stage() != Envelope::kIdle;
}

// Sounding voices render in groups across SIMD lanes where they can (same filter type, no Repeat
// retrigger inside the chunk); the rest alone, in voice order, so the mix receives every voice
// in the same order whatever the path.
void Vorlunda2::RenderVoices(int n) {
    const SimdPath path = VoiceGroupRenderer::ActivePath();
    if (path == SimdPath::Scalar) {
        for (int i = 0; i < polyphony; ++i)
            RenderVoice(voices[static_cast<std::size_t>(i)], n);
        return;
    }
    voiceGroups.Begin(path, mixLeft.data(), mixRight.data(), n);
    for (int i = 0; i < polyphony; ++i) {
        Voice& v = voices[static_cast<std::size_t>(i)];
        if (!v.active && !v.sounding) {
            v.oscillator.AdvanceIdle(n);
        } else if (VoiceGroupRenderer::Accepts(v)) {
            voiceGroups.Add(v);
        } else {
            voiceGroups.Flush();
            RenderVoice(v, n);
        }
    }
    voiceGroups.Flush();
}

void Vorlunda2::RenderVoice(Voice& v, int n) {
    if (!v.active && !v.sounding) {
        v.oscillator.AdvanceIdle(n);
        return;
    }
    const std::size_t count = static_cast<std::size_t>(n);
    std::span<double> left(v.left.data(), count);
    std::span<double> right(v.right.data(), count);
    v.oscillator.Render(left, right); // writes every sample of both buffers
    double* mixL = mixLeft.data();
    double* mixR = mixRight.data();

    // The envelope steps, the Repeat countdowns and the mix of each sample run inside the
    // filter's loop: the filter reads none of them, so this is the order of filtering the whole
    // chunk first, but their work overlaps the filter's long chain of dependent operations.
    // The step for i = 0 belongs to UpdateVoiceControl.
    if (v.repeatEnabled) {
        v.filter.ProcessPair(left, right, [&](std::size_t i, double l, double r) {
            if (i > 0) {
                v.filterEnvelope.Step();
                v.ampEnvelope.Step();
            }
            StepRepeat(v);
            const double gain = v.ampEnvelope.Output();
            mixL[i] += l * gain;
            mixR[i] += r * gain;
        });
        return;
    }
    // Without Repeat nothing else touches the envelopes during the chunk: local copies keep
    // their state in registers instead of memory the mix writes might alias.
    Envelope filterEnvelope = v.filterEnvelope;
    Envelope ampEnvelope = v.ampEnvelope;
    v.filter.ProcessPair(left, right, [&](std::size_t i, double l, double r) {
        if (i > 0) {
            filterEnvelope.Step();
            ampEnvelope.Step();
        }
        const double gain = ampEnvelope.Output();
        mixL[i] += l * gain;
        mixR[i] += r * gain;
    });
    v.filterEnvelope = filterEnvelope;
    v.ampEnvelope = ampEnvelope;
}

void Vorlunda2::StepRepeat(Voice& v) {
    if (v.repeatPending)
        v.repeatElapsed -= 1.0;
    if (v.retriggerCountdown >= 0.0) {
        v.retriggerCountdown -= 1.0;
        if (v.retriggerCountdown < 0.0) {
            SetupVoiceNote(v, v.note, v.velocity, v.age);
            v.gateCountdown = v.repeatPeriod * v.gateLength;
        }
    }
    if (v.gateCountdown >= 0.0) {
        v.gateCountdown -= 1.0;
        if (v.gateCountdown < 0.0) {
            v.filterEnvelope.Release();
            v.ampEnvelope.Release();
        }
    }
}

} // namespace vorlunda
