#include "editor/EditorCommands.h"

#include "editor/CommandExecutor.h"
#include "editor/UpdateCheck.h"
#include "engine/Vorlunda2.h"

namespace vorlunda {

void ExecuteEditorCommand(Synth& synth, IGraphics& graphics, int command) {
    // The menu button serves the instrument, whose loaders also take version-1 programs.
    if (auto* instrument = dynamic_cast<Vorlunda2*>(&synth))
        CommandExecutor(*instrument, graphics).Run(command);
}

std::string MakerWebDomain(const Synth& synth) {
    return synth.MakerWebDomain();
}

std::string MakerHomePage(const Synth& synth) {
    return UpdateCheck::HomePageAddress(synth);
}

const char* MakerWebDomain() {
    return Synth::kDefaultMakerWebDomain;
}

const char* MakerHomePage() {
    static const std::string page = std::string("http://") + Synth::kDefaultMakerServer + "/";
    return page.c_str();
}

} // namespace vorlunda
