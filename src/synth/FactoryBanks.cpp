// The two factory banks stored in the module: version 2, which every instance starts with
// unless a startup bank loads, and version 1, the sounds of the instrument's first version.
#include "platform/ModuleResources.h"
#include "synth/Synth.h"

#include <limits>

namespace vorlunda {

namespace {

constexpr const char* kFactoryBankName = "PROGINIT";

} // namespace

bool Synth::LoadFactoryBank(int version) {
    const char* type = version == 1 ? "INIT_V1" : version == 2 ? "INIT" : nullptr;
    if (!type)
        return false;
    const auto image = resources::FindModuleResource(kFactoryBankName, type);
    if (image.empty() || image.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return false;
    // LoadBankImage works on its own copy, so the read-only module bytes are never touched.
    return LoadBankImage(image.data(), static_cast<int>(image.size()));
}

} // namespace vorlunda
