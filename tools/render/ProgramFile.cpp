#include "ProgramFile.h"

#include "FileBytes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vorlunda::render {

namespace {

// Byte offsets of the published layout.
constexpr std::size_t kCommonHeader = 28;  // magic, size, kind, version, id, version, count
constexpr std::size_t kProgramHeader = 56; // common header + 28-byte program name
constexpr std::size_t kBankHeader = 156;   // common header + current program + 124 reserved
constexpr std::size_t kProgramNameBytes = 28;

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

constexpr std::uint32_t Id(const char (&text)[5]) {
    return (std::uint32_t(std::uint8_t(text[0])) << 24) |
           (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

std::string Name(std::span<const std::uint8_t> bytes, std::size_t at) {
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + at);
    return std::string(begin, strnlen(begin, kProgramNameBytes));
}

} // namespace

std::string FourCharacters(std::int32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

bool ProgramFile::Fail(std::string reason) {
    error = std::move(reason);
    programs.clear();
    chunk.clear();
    return false;
}

bool ProgramFile::Load(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!ReadFileBytes(path, kMaxFileBytes, "a program or bank file", bytes, reason))
        return Fail(std::move(reason));
    if (!Parse(bytes)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ProgramFile::Parse(std::span<const std::uint8_t> bytes) {
    error.clear();
    programs.clear();
    chunk.clear();
    currentProgram = -1;
    if (bytes.size() < kCommonHeader || Word(bytes, 0) != Id("CcnK"))
        return Fail("not an FXP or FXB file (no CcnK header)");
    // The size field at byte 4 is not used: writers disagree on it (the bytes after it, or the
    // whole file, as our own plug-in writes). The counts and chunk sizes are checked instead.
    pluginId = static_cast<std::int32_t>(Word(bytes, 16));
    const std::uint32_t magic = Word(bytes, 8);
    if (magic == Id("FxCk") || magic == Id("FPCh"))
        return ParseProgram(bytes, true);
    if (magic == Id("FxBk") || magic == Id("FBCh"))
        return ParseBank(bytes);
    return Fail("unknown kind '" + FourCharacters(static_cast<std::int32_t>(magic)) +
                "' (expected FxCk, FPCh, FxBk or FBCh)");
}

bool ProgramFile::ParseProgram(std::span<const std::uint8_t> bytes, bool chunkAllowed) {
    if (bytes.size() < kProgramHeader)
        return Fail("truncated program header");
    const bool isChunk = Word(bytes, 8) == Id("FPCh");
    if (isChunk && !chunkAllowed)
        return Fail("a bank of parameter lists holds a chunk program");
    Program program;
    program.name = Name(bytes, kCommonHeader);
    if (isChunk) {
        if (bytes.size() < kProgramHeader + 4)
            return Fail("truncated program chunk size");
        const std::uint32_t size = Word(bytes, kProgramHeader);
        if (size > bytes.size() - kProgramHeader - 4)
            return Fail("truncated program chunk: " + std::to_string(size) + " bytes announced");
        chunk.assign(bytes.begin() + kProgramHeader + 4, bytes.begin() + kProgramHeader + 4 + size);
        kind = Kind::ProgramChunk;
        programs.push_back(std::move(program));
        return true;
    }
    const std::uint32_t count = Word(bytes, 24);
    if (count > (bytes.size() - kProgramHeader) / 4)
        return Fail("truncated parameter list: " + std::to_string(count) + " values announced");
    for (std::uint32_t i = 0; i < count; ++i)
        program.values.push_back(std::bit_cast<float>(Word(bytes, kProgramHeader + 4 * i)));
    kind = Kind::ProgramParameters;
    programs.push_back(std::move(program));
    return true;
}

bool ProgramFile::ParseBank(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBankHeader)
        return Fail("truncated bank header");
    const std::uint32_t version = Word(bytes, 12);
    const std::uint32_t count = Word(bytes, 24);
    if (version >= 2) // format 2 names the current program after the count
        currentProgram = static_cast<int>(std::min<std::uint32_t>(Word(bytes, 28), 0x7FFFFFFF));
    if (Word(bytes, 8) == Id("FBCh")) {
        if (bytes.size() < kBankHeader + 4)
            return Fail("truncated bank chunk size");
        const std::uint32_t size = Word(bytes, kBankHeader);
        if (size > bytes.size() - kBankHeader - 4)
            return Fail("truncated bank chunk: " + std::to_string(size) + " bytes announced");
        chunk.assign(bytes.begin() + kBankHeader + 4, bytes.begin() + kBankHeader + 4 + size);
        kind = Kind::BankChunk;
        return true;
    }
    std::vector<Program> bank;
    std::size_t at = kBankHeader;
    for (std::uint32_t p = 0; p < count; ++p) {
        if (bytes.size() - at < kProgramHeader)
            return Fail("truncated bank: ends in program " + std::to_string(p + 1) + " of " +
                        std::to_string(count));
        const auto rest = bytes.subspan(at);
        if (Word(rest, 0) != Id("CcnK") || Word(rest, 8) != Id("FxCk"))
            return Fail("program " + std::to_string(p + 1) +
                        " of the bank is not a parameter list");
        const std::uint32_t values = Word(rest, 24);
        if (values > (rest.size() - kProgramHeader) / 4)
            return Fail("truncated bank: ends in program " + std::to_string(p + 1) + " of " +
                        std::to_string(count));
        if (!ParseProgram(rest.first(kProgramHeader + 4 * std::size_t{values}), false))
            return false;
        bank.push_back(std::move(programs.back()));
        programs.clear();
        at += kProgramHeader + 4 * std::size_t{values};
    }
    programs = std::move(bank);
    kind = Kind::BankParameters;
    return true;
}

} // namespace vorlunda::render
