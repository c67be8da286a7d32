#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorlunda::resources {

// The bytes of a resource stored in the module (the plug-in library, or the executable that
// linked our code statically) that contains this code, found by resource name and type as
// Windows' FindResource does: names and types match without regard to case. Empty when there is
// no such resource. The bytes stay valid as long as the module is loaded; never write to them.
// Any thread.
std::span<const std::uint8_t> FindModuleResource(const char* name, const char* type);
// The same for a resource with a numeric identifier (1..65535; empty otherwise). Off Windows the
// embedded table names it "#<id>", the form Windows itself accepts for numeric names.
std::span<const std::uint8_t> FindModuleResourceById(int id, const char* type);

// Off Windows there are no module resources: the build compiles the resource bytes into the
// library, and a generated source file registers them with this table while the library loads
// (from a static initialiser, before any lookup can run). Windows builds do not use it.
struct EmbeddedResource {
    const char* name;
    const char* type;
    const std::uint8_t* bytes;
    std::size_t size;
};
struct EmbeddedResourceTable {
    const EmbeddedResource* entries;
    std::size_t count;
    EmbeddedResourceTable* next; // set by the registration
};
void RegisterEmbeddedResources(EmbeddedResourceTable& table);

} // namespace vorlunda::resources
