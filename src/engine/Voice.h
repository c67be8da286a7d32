#pragma once

#include "engine/Envelope.h"
#include "engine/Oscillator.h"
#include "engine/VoiceFilter.h"

#include <vector>

namespace vorlunda {

// One of the 64 preallocated voices: its oscillator block, filter, two envelopes and render
// buffers, the parameter values the voice applies itself, and its note and retrigger state.
// A voice is idle (active and sounding clear), playing (active, sounding, keyDown), sustained
// (sounding, sustained, key up) or releasing (active, sounding clear).
struct Voice {
    Oscillator oscillator;
    VoiceFilter filter;
    Envelope filterEnvelope;
    Envelope ampEnvelope;
    std::vector<double> left, right; // one control block each
    int bufferLength = 0;            // samples

    double keyTrack = 0.0;          // octaves from note 48
    double velocityNorm = 0.0;      // velocity / 127
    double cutoffWheelOffset = 0.0; // 1/128 semitone

    // Values of parameters the voice applies itself.
    double portamentoTime = 0.0;     // seconds
    double wheelToCutoffDepth = 0.0; // 1/128 semitone at full wheel
    double gateLength = 0.5;         // fraction of the repeat period
    double lfoDelay = 0.0;           // 0..1
    bool legatoPortamento = false;
    bool envelopeRetrigger = false;
    bool wheelToFm = false;
    bool wheelToCutoffLfo = false;
    int repeatMode = 0;

    bool active = false;
    bool keyDown = false;
    bool sustained = false;
    bool sounding = false;
    bool repeatPending = false;
    double glidePitch = 6144.0; // 1/128 semitone
    double glideStep = 0.0;     // 1/128 semitone per tick
    double lfoToPitch = 0.0;
    double lfoToCutoff = 0.0;
    double lfoFade = 0.0;
    double lfoFadeStep = 0.0;
    int targetPitch = 0; // 1/128 semitone
    int glideTicksLeft = 0;
    int note = 48;
    int velocity = 0;
    int age = 0;
    bool repeatEnabled = false;
    double repeatElapsed = 0.0;       // samples
    double repeatPeriod = 1.0;        // samples
    double repeatFraction = 0.0;      // of a period
    double retriggerCountdown = -1.0; // samples; negative = disarmed
    double gateCountdown = -1.0;      // samples; negative = disarmed
};

} // namespace vorlunda
