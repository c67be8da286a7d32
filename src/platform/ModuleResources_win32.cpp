#include "platform/ModuleResources.h"

#include <windows.h>

namespace vorlunda::resources {

namespace {

// Any object of ours: its address names the module it lives in.
const char moduleAnchor = 0;

// The module whose image holds this function: the plug-in DLL when a host loaded us, the
// executable when our code was linked into it statically (the tests). Not the process's main
// module, whose resources are the host's.
HMODULE OwnModule() {
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, &moduleAnchor, &module))
        return nullptr;
    return module;
}

} // namespace

void RegisterEmbeddedResources(EmbeddedResourceTable&) {}

std::span<const std::uint8_t> FindModuleResourceById(int id, const char* type) {
    if (id < 1 || id > 0xFFFF)
        return {};
    return FindModuleResource(MAKEINTRESOURCEA(id), type);
}

std::span<const std::uint8_t> FindModuleResource(const char* name, const char* type) {
    if (!name || !type)
        return {};
    HMODULE module = OwnModule();
    if (!module)
        return {};
    HRSRC info = FindResourceA(module, name, type);
    if (!info)
        return {};
    const DWORD size = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    // A loaded resource is part of the mapped module image: it needs no release and stays
    // valid until the module is unloaded.
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes || size == 0)
        return {};
    return {static_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(size)};
}

} // namespace vorlunda::resources
