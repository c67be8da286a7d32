#include "EditorPicture.h"

#include "editor/EditorLayout.h"
#include "engine/Vorlunda2.h"
#include "graphics/EditorWindow.h"
#include "graphics/IGraphics.h"
#include "graphics/RasterMemBitmap.h"
#include "graphics/RasterSysBitmap.h"

#include <algorithm>

namespace vorlunda {

std::unique_ptr<Vorlunda2> MakeInstrumentWithEditor(std::unique_ptr<EditorWindow> window) {
    // The builder is a copyable function and runs exactly once, inside the constructor.
    EditorWindow* layer = window.release();
    return std::make_unique<Vorlunda2>(
        [layer](Synth& synth) { return MakeEditor(synth, std::unique_ptr<EditorWindow>(layer)); });
}

bool ShowFactoryProgram(Vorlunda2& plugin, int bank, int program) {
    if (bank < 1 || bank > 2 || program < 0 || program >= plugin.ProgramCount())
        return false;
    if (!plugin.LoadFactoryBank(bank))
        return false;
    IPluginBase::Lock lock(plugin.Mutex());
    return plugin.ActivatePreset(program);
}

bool ShowProgramFile(Vorlunda2& plugin, const std::string& path) {
    return plugin.LoadProgramFile(path.c_str());
}

std::unique_ptr<RasterMemBitmap> DrawEditorPicture(Vorlunda2& plugin) {
    IGraphics* graphics = plugin.AttachedEditor();
    if (!graphics || !graphics->SurfaceBitmap())
        return nullptr;
    graphics->ApplyPendingParameterValues();
    const ScreenRect whole{0, 0, graphics->Width(), graphics->Height()};
    graphics->PaintRegion(whole);
    const RasterSysBitmap& surface = *graphics->SurfaceBitmap();
    auto picture = std::make_unique<RasterMemBitmap>(surface.Width(), surface.Height());
    for (int y = 0; y < surface.Height(); ++y)
        std::copy_n(surface.Row(y), surface.Width(), picture->Row(y));
    return picture;
}

} // namespace vorlunda
