#include "editor/EditorLayout.h"

#include "editor/EditorCommands.h"
#include "editor/EditorImages.h"
#include "editor/EditorStyles.h"
#include "editor/ITKFaderHControl.h"
#include "editor/ITKFaderVControl.h"
#include "editor/ITKOptionMenu.h"
#include "editor/ITKPresetMenu.h"
#include "editor/ITKSettingsControl.h"
#include "editor/ITKSwitchMidiLearn.h"
#include "editor/ITKUtilityKick.h"
#include "editor/ITKVoiceControl.h"
#include "engine/ParameterTable.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/ISwitchPopUpControl.h"
#include "graphics/ITextControl.h"
#include "synth/Synth.h"

#include <array>
#include <cstdio>

namespace vorlunda {

namespace {

enum class Kind { kKnob, kRotary, kSwitch, kPopUp, kFaderH };

// The controls placed by image at a position (controls 10 to 52 of the drawing order).
struct Placed {
    Kind kind;
    int param;
    int image;
    int x, y;
};

constexpr Placed kPlaced[] = {
    {Kind::kKnob, kVolume, kImageKnobSmall, 10, 29},
    {Kind::kKnob, kStereo, kImageKnobSmall, 10, 59},
    {Kind::kKnob, kMasterTune, kImageKnobSmall, 60, 29},
    {Kind::kKnob, kIntervalTune, kImageKnobSmall, 60, 59},
    {Kind::kKnob, kGateLength, kImageKnobSmall, 110, 29},
    {Kind::kKnob, kDetune, kImageKnobSmall, 110, 59},
    {Kind::kKnob, kPortamento, kImageKnobBig, 17, 127},
    {Kind::kSwitch, kPortaLegato, kImageSwitch1, 87, 127},
    {Kind::kRotary, kRepeat, kImageSwitch3, 17, 247},
    {Kind::kSwitch, kEnvRetrigger, kImageSwitch1, 87, 247},
    {Kind::kKnob, kNoiseMix, kImageKnobBig, 135, 127},
    {Kind::kKnob, kFmLfo, kImageKnobBig, 224, 127},
    {Kind::kPopUp, kLfoOscShape, kImageButtonLfo, 237, 107},
    {Kind::kKnob, kFmEnv, kImageKnobBig, 294, 127},
    {Kind::kPopUp, kOscSync, kImageButtonSync, 307, 107},
    {Kind::kKnob, kLfoRate, kImageKnobBig, 373, 127},
    {Kind::kFaderH, kLfoDelay, kImageHandleH, 373, 107},
    {Kind::kFaderH, kFilterAttackVelocity, kImageHandleH, 450, 107},
    {Kind::kKnob, kFilterEnvAttack, kImageKnobBig, 447, 127},
    {Kind::kKnob, kFilterEnvDecay, kImageKnobBig, 516, 127},
    {Kind::kFaderH, kFilterEnvVelocity, kImageHandleH, 550, 107},
    {Kind::kKnob, kFilterEnvSustain, kImageKnobBig, 585, 127},
    {Kind::kKnob, kFilterEnvRelease, kImageKnobBig, 654, 127},
    {Kind::kSwitch, kFilterEnvMode, kImageSwitch2, 721, 127},
    {Kind::kFaderH, kAmpAttackVelocity, kImageHandleH, 762, 107},
    {Kind::kKnob, kAmpEnvAttack, kImageKnobBig, 762, 127},
    {Kind::kKnob, kAmpEnvDecay, kImageKnobBig, 831, 127},
    {Kind::kFaderH, kAmpEnvVelocity, kImageHandleH, 862, 107},
    {Kind::kKnob, kAmpEnvSustain, kImageKnobBig, 900, 127},
    {Kind::kKnob, kAmpEnvRelease, kImageKnobBig, 969, 127},
    {Kind::kSwitch, kAmpEnvMode, kImageSwitch2, 1036, 127},
    {Kind::kRotary, kFilterPoles, kImageSwitch4, 136, 247},
    {Kind::kSwitch, kFilterMode, kImageSwitch2, 215, 247},
    {Kind::kFaderH, kFilterVelocity, kImageHandleH, 250, 227},
    {Kind::kKnob, kFilterCutoff, kImageKnobBig, 250, 247},
    {Kind::kKnob, kFilterResonance, kImageKnobBig, 320, 247},
    {Kind::kKnob, kFilterKeyTrack, kImageKnobBig, 390, 247},
    {Kind::kKnob, kFilterLfoAmount, kImageKnobBig, 460, 247},
    {Kind::kPopUp, kLfoFilterShape, kImageButtonLfo, 472, 227},
    {Kind::kKnob, kFilterEnvAmount, kImageKnobBig, 530, 247},
    {Kind::kKnob, kDrive, kImageKnobBig, 608, 247},
    {Kind::kKnob, kChorusMix, kImageKnobBig, 678, 247},
    {Kind::kSwitch, kChorusType, kImageButton12, 690, 227},
};

// The seven equaliser faders, lowest band first.
constexpr int kEqualiserX[] = {767, 810, 853, 896, 939, 982, 1025};

// The footage buttons: one row of four per waveform, 16' to 2', at y 353.
struct FootageRow {
    int firstParam;
    int image;
    int x;
};
constexpr FootageRow kFootageRows[] = {
    {kSaw16, kImageButtonWhite, 13},     {kSquare16, kImageButtonBlue, 163},
    {kPulse16, kImageButtonGreen, 313},  {kInterval16, kImageButtonPink, 463},
    {kMulti16, kImageButtonYellow, 613},
};
constexpr int kFootageY = 353;
constexpr int kFootageSpacing = 35; // pixels between buttons of a row

const ScreenRect kProgramNumberRect{822, 44, 840, 62};
const ScreenRect kProgramNameRect{848, 44, 1004, 62};
const ScreenRect kPreviousProgramRect{767, 37, 803, 55};
const ScreenRect kNextProgramRect{767, 57, 803, 75};
const ScreenRect kCommandMenuRect{1026, 37, 1062, 55};
const ScreenRect kVersionRect{654, 12, 750, 26};
const ScreenRect kVoicesRect{92, 10, 169, 20};
const ScreenRect kSettingsRect{145, 28, 171, 44};
constexpr int kLearnX = 1028, kLearnY = 59;

// "2.0.2" from the packed version (major 16 bits, minor 8, patch 8).
std::string VersionText(std::int32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d", (version >> 16) & 0xFFFF, (version >> 8) & 0xFF,
                  version & 0xFF);
    return text;
}

class Layout {
public:
    Layout(Synth& synthArg, IGraphics& graphicsArg) : synth(synthArg), graphics(graphicsArg) {}

    void LoadImages() {
        for (const EditorImage& image : kEditorImages)
            strips[static_cast<std::size_t>(image.id)] =
                graphics.LoadEditorBitmap(image.id, image.name, image.frames);
    }

    void AddControls() {
        graphics.MakeControl<IBitmapControl>(&synth, 0, 0, -1, Strip(kImageBack));
        synth.presetMenu =
            graphics.MakeControl<ITKPresetMenu>(&synth, kProgramNumberRect, kProgramNameRect);
        graphics.MakeControl<ITKUtilityKick>(&synth, kPreviousProgramRect,
                                             ITKUtilityKick::kPreviousProgram);
        graphics.MakeControl<ITKUtilityKick>(&synth, kNextProgramRect,
                                             ITKUtilityKick::kNextProgram);
        graphics.MakeControl<ITKOptionMenu>(&synth, kCommandMenuRect, -85, &ExecuteEditorCommand);
        graphics.MakeControl<ITextControl>(&synth, kVersionRect, VersionTextStyle(),
                                           VersionText(synth.PluginVersion()));
        graphics.MakeControl<ITKVoiceControl>(&synth, kVoicesRect);
        graphics.MakeControl<ITKSettingsControl>(&synth, kSettingsRect);
        synth.learnSwitch = graphics.MakeControl<ITKSwitchMidiLearn>(
            &synth, kLearnX, kLearnY, ITKSwitchMidiLearn::kCode, Strip(kImageLearn));
        for (const Placed& p : kPlaced)
            AddPlaced(p);
        for (int band = 0; band < 7; ++band)
            graphics.MakeControl<ITKFaderVControl>(&synth, kEqualiserX[band], kEq100 + band,
                                                   Strip(kImageHandleV));
        for (const FootageRow& row : kFootageRows) {
            for (int i = 0; i < 4; ++i)
                graphics.MakeControl<ISwitchControl>(&synth, row.x + kFootageSpacing * i, kFootageY,
                                                     row.firstParam + i, Strip(row.image));
        }
    }

    // Every parameter's value on its controls (the editor is not attached yet, so the plug-in
    // base cannot do it).
    void ShowAllParameterValues() {
        IPluginBase::Lock lock(synth.Mutex());
        for (int i = 0; i < synth.ParameterCount(); ++i)
            graphics.UpdateParameterControls(i, synth.Parameter(i)->RealValue(), false);
        graphics.ApplyPendingParameterValues();
    }

private:
    const BitmapStrip& Strip(int id) const { return strips[static_cast<std::size_t>(id)]; }

    void AddPlaced(const Placed& p) {
        const BitmapStrip& strip = Strip(p.image);
        switch (p.kind) {
        case Kind::kKnob:
        case Kind::kRotary:
            graphics.MakeControl<IKnobMultiControl>(
                &synth, IBitmapControl::FrameRect(p.x, p.y, strip), p.param, strip,
                IControl::kVertical, p.kind == Kind::kRotary ? kRotaryGearing : kKnobGearing);
            break;
        case Kind::kSwitch:
            graphics.MakeControl<ISwitchControl>(&synth, p.x, p.y, p.param, strip);
            break;
        case Kind::kPopUp:
            graphics.MakeControl<ISwitchPopUpControl>(&synth, p.x, p.y, p.param, strip);
            break;
        case Kind::kFaderH:
            graphics.MakeControl<ITKFaderHControl>(&synth, p.x, p.y, p.param, strip);
            break;
        }
    }

    Synth& synth;
    IGraphics& graphics;
    std::array<BitmapStrip, kEditorImages.size() + 1> strips{}; // by image id
};

} // namespace

void LayoutEditor(Synth& synth, IGraphics& graphics) {
    graphics.SetEditorSize(kEditorWidth, kEditorHeight);
    Layout layout(synth, graphics);
    layout.LoadImages();
    layout.AddControls();
    layout.ShowAllParameterValues();
}

std::unique_ptr<IGraphics> MakeEditor(Synth& synth, std::unique_ptr<EditorWindow> window) {
    auto graphics = std::make_unique<IGraphics>(synth, std::move(window));
    LayoutEditor(synth, *graphics);
    return graphics;
}

} // namespace vorlunda
