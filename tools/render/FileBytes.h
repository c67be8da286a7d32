#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlunda::render {

// Reads a whole file of at most `limit` bytes. On failure answers false with a one-line reason
// naming the file; `kind` says what the file should have been ("a MIDI file").
bool ReadFileBytes(const std::string& path, std::uintmax_t limit, const char* kind,
                   std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace vorlunda::render
