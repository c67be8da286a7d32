#include "FileBytes.h"

#include <filesystem>
#include <fstream>

namespace vorlunda::render {

bool ReadFileBytes(const std::string& path, std::uintmax_t limit, const char* kind,
                   std::vector<std::uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return false;
    }
    if (size > limit) {
        error = path + " is too large for " + kind;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(size), 0);
    if (!in ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

} // namespace vorlunda::render
