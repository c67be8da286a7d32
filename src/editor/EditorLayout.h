#pragma once

#include <memory>

namespace vorlunda {

class EditorWindow;
class IGraphics;
class Synth;

// The editor's size in pixels.
constexpr int kEditorWidth = 1080;
constexpr int kEditorHeight = 396;
// Drag ratio of the knobs: a full sweep takes four knob heights of mouse travel; the two rotary
// switches drawn as knobs take one.
constexpr double kKnobGearing = 4.0;
constexpr double kRotaryGearing = 1.0;

// The layout routine: sizes the editor, loads the 19 images, adds the 79 controls in their
// drawing order (background first, hit-tested last), records the program selector and the
// MIDI-learn switch in the Synth and shows every parameter's value on its controls. Runs once,
// on the constructing thread, before the editor is attached.
void LayoutEditor(Synth& synth, IGraphics& graphics);

// The instrument's editor on `window` (none: an editor that draws but cannot open a window),
// laid out and ready to attach.
std::unique_ptr<IGraphics> MakeEditor(Synth& synth, std::unique_ptr<EditorWindow> window);

} // namespace vorlunda
