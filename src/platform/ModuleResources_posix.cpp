#include "platform/ModuleResources.h"

#include <cctype>
#include <charconv>

namespace vorlunda::resources {

namespace {

// Registered tables form a list that static initialisers extend while the library loads; it is
// constant-initialised, so registration never depends on the order of static initialisation.
constinit EmbeddedResourceTable* registered = nullptr;

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) !=
            std::toupper(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

} // namespace

void RegisterEmbeddedResources(EmbeddedResourceTable& table) {
    table.next = registered;
    registered = &table;
}

std::span<const std::uint8_t> FindModuleResource(const char* name, const char* type) {
    if (!name || !type)
        return {};
    for (const EmbeddedResourceTable* table = registered; table; table = table->next) {
        for (std::size_t i = 0; i < table->count; ++i) {
            const EmbeddedResource& r = table->entries[i];
            if (SameName(r.name, name) && SameName(r.type, type))
                return {r.bytes, r.size};
        }
    }
    return {};
}

std::span<const std::uint8_t> FindModuleResourceById(int id, const char* type) {
    if (id < 1 || id > 0xFFFF)
        return {};
    char name[16] = "#";
    std::to_chars(name + 1, name + sizeof name - 1, id);
    return FindModuleResource(name, type);
}

} // namespace vorlunda::resources
