#pragma once

#include <memory>
#include <string>

namespace vorlunda {

class EditorWindow;
class RasterMemBitmap;
class Vorlunda2;

// The instrument as the plug-in builds it, with its editor on `window` (none: an editor that only
// draws). Programs are those of the startup bank or factory bank 2, as in a host.
std::unique_ptr<Vorlunda2> MakeInstrumentWithEditor(std::unique_ptr<EditorWindow> window = {});

// Loads factory bank `bank` (1 or 2) and makes its program `program` (0..63) current. False when
// either is out of range or the bank cannot be loaded.
bool ShowFactoryProgram(Vorlunda2& plugin, int bank, int program);
// Loads a program file (FXP, either version) into the current program. False when it is refused.
bool ShowProgramFile(Vorlunda2& plugin, const std::string& path);

// Draws the whole editor as it shows the current program into a picture of editor size, as the
// next timer tick of an open editor would; none when the plug-in has no editor.
std::unique_ptr<RasterMemBitmap> DrawEditorPicture(Vorlunda2& plugin);

} // namespace vorlunda
