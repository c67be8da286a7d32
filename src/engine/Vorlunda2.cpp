#include "engine/Vorlunda2.h"

#include "core/IEditorView.h"
#include "engine/ParameterTable.h"

#include <algorithm>

namespace vorlunda {

static PluginIdentity Identity() {
    PluginIdentity id;
    id.parameterCount = Vorlunda2::kParameterCount;
    id.programCount = Vorlunda2::kProgramCount;
    id.channelConfigs = "0-1 0-2";
    id.uniqueId = FourCC('V', 'o', 'r', '2');
    id.makerId = FourCC('T', 'a', 'K', 'e');
    id.version = 0x00020002;
    id.effectName = "Vorlunda2";
    id.productName = "";
    id.makerName = "Tarn Kettle Music";
    return id;
}

Vorlunda2::Vorlunda2(const EditorBuilder& buildEditor) : Synth(Identity()) {
    InitParameterTable();
    if (buildEditor)
        AttachEditor(buildEditor(*this).release());
    LoadStartupPrograms();
}

void Vorlunda2::LoadStartupPrograms() {
    if (ReadBankFile(startupBankPath.c_str()))
        return;
    // Forgotten in memory only: the configuration file keeps naming the bank, so the next
    // instance tries it again (a removed drive may be back by then).
    startupBankPath.clear();
    factoryLoad = true;
    LoadFactoryBank(2);
    factoryLoad = false;
}

Vorlunda2::~Vorlunda2() = default;

void Vorlunda2::InitParameterTable() {
    InitInstrumentParameters(*this);
}

void Vorlunda2::HandleMidiMessage(const MidiEvent& incoming) {
    if (midiThru)
        SendMidiMessage(incoming);
    MidiEvent event = incoming;
    // Data bytes are 7-bit; a host that sends more must not reach any table with it.
    event.data1 &= 0x7F;
    event.data2 &= 0x7F;
    switch (event.Kind()) {
    case 0x80:
        midiQueue.Add(event);
        break;
    case 0x90:
        if (event.data2 == 0)
            event.status = static_cast<std::uint8_t>(0x80 | event.Channel());
        midiQueue.Add(event);
        break;
    case 0xB0: {
        const int c = event.data1;
        if (c <= 119 && learnArmed) {
            learnController = c;
            CommitLearn();
        } else if (c <= 119) {
            midiQueue.Add(event); // sustain and mapped controllers keep their exact offset
        } else if (c == 120 || c == 123) {
            // Note-ons still waiting in the queue were sent before this: they go too, or a
            // note-on at the end of one block would outlive an all-notes-off at the next.
            midiQueue.DropNoteOns();
            KillAllNotes();
        }
        break;
    }
    case 0xA0:
    case 0xE0:
        // Continuous messages beyond the first tick land half a tick later, between ticks.
        if (event.offset > controlBlockSize)
            event.offset += controlBlockSize / 2;
        midiQueue.Add(event);
        break;
    case 0xC0:
        if (!ignoreProgramChange)
            ActivatePreset(event.data1);
        break;
    default: // channel pressure and system messages
        break;
    }
}

void Vorlunda2::RenderBlock(double**, double** outputs, int frames) {
    // Everything queued now was sent for this block or before: the next block's events come
    // after it, whatever the offsets (Add).
    midiQueue.Seal();
    if (!outputs || !outputs[0] || !outputs[1] || frames <= 0)
        return;
    double* left = outputs[0];
    double* right = outputs[1];
    std::fill_n(left, frames, 0.0);
    std::fill_n(right, frames, 0.0);
    if (mixLeft.empty())
        return; // not prepared for a sample rate yet: silence
    // The host's transport, once per block; what it does not report keeps its last value.
    QueryHostTime(timeInfo);
    if (repeatMode == 2)
        HostTempoStep();

    int remaining = frames;
    while (remaining > 0) {
        int n;
        if (controlSamplesLeft < 1) {
            ControlTick();
            n = controlBlockSize;
            if (remaining < n) {
                controlSamplesLeft = n - remaining;
                n = remaining;
            }
        } else if (controlSamplesLeft < remaining) {
            n = controlSamplesLeft;
            controlSamplesLeft = 0;
        } else {
            n = remaining;
            controlSamplesLeft -= remaining;
        }

        if (repeatMode == 2) {
            songPosition += n;
            if (nextSyncBoundary <= songPosition) {
                SyncBoundaryStep();
                nextSyncBoundary = songPosition + syncPeriod;
            }
        }

        std::fill_n(mixLeft.data(), n, 0.0);
        std::fill_n(mixRight.data(), n, 0.0);
        RenderVoices(n);
        for (int i = 0; i < n; ++i) {
            mixLeft[static_cast<std::size_t>(i)] *= masterGain;
            mixRight[static_cast<std::size_t>(i)] *= masterGain;
        }
        drive.Process(mixLeft.data(), mixRight.data(), n);
        for (EqBand& band : equaliser) {
            if (band.Enabled())
                band.Process(mixLeft.data(), mixRight.data(), n);
        }
        chorus.Process(mixLeft.data(), mixRight.data(), left, right, n);

        left += n;
        right += n;
        remaining -= n;
    }
}

void Vorlunda2::ControlTick() {
    ++controlTicks;
    DrainMidiQueue();
    pitchBendSmoothed = bendSmoother.Process(pitchBendRaw);
    modWheelSmoothed = wheelSmoother.Process(modWheelRaw);
    if (lfo.Tick() && repeatMode == 1)
        LfoWrapStep();
    chorus.Tick();
    if (cutoffStepsLeft > 0) {
        --cutoffStepsLeft;
        cutoffValue += cutoffStep;
    }
    cutoffPitch = static_cast<int>(cutoffValue * 17280.0);
    for (int v = 0; v < polyphony; ++v)
        UpdateVoiceControl(voices[static_cast<std::size_t>(v)]);
}

void Vorlunda2::DrainMidiQueue() {
    // Each pending event moves one tick closer per tick; it is handled at the first tick whose
    // start lies no more than one control block before its offset.
    int reduced = 0;
    while (midiQueue.HasPending()) {
        MidiEvent& front = midiQueue.Front();
        front.offset -= controlBlockSize;
        if (front.offset > 0) {
            reduced = 1;
            break;
        }
        const MidiEvent event = front;
        midiQueue.PopFront();
        ProcessMidiEvent(event);
    }
    midiQueue.Compact();
    for (int i = reduced; i < midiQueue.Pending(); ++i)
        midiQueue.PendingAt(i).offset -= controlBlockSize;
}

void Vorlunda2::ProcessMidiEvent(const MidiEvent& event) {
    EventHandled(event);
    switch (event.Kind()) {
    case 0x80:
        NoteOff(event.data1);
        break;
    case 0x90:
        if (event.data2 == 0)
            NoteOff(event.data1);
        else
            NoteOn(event.data1, event.data2);
        break;
    case 0xB0: {
        const int c = event.data1;
        if (c == 1) {
            modWheelRaw = event.data2 / 127.0;
        } else if (c == 64) {
            SustainPedal(event.data2 > 0);
        } else if (c < kMappableControllers) {
            const int p = controllerMap[static_cast<std::size_t>(c)];
            const PlugParam* param = Parameter(p);
            if (param && p <= 78) {
                const double v = event.data2 / 127.0;
                if (v != param->ToNormalised())
                    SetParameterFromEditor(p, v);
            }
        }
        break;
    }
    case 0xE0:
        // 14-bit bend centred on 0x2000, scaled by 1/8192.
        pitchBendRaw = ((event.data2 - 64) * 128 + event.data1) * 0.0001220703125;
        break;
    default:
        break;
    }
}

} // namespace vorlunda
