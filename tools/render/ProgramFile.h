#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorlunda::render {

// An FXP program or FXB bank file as hosts exchange them, read from untrusted bytes. The
// header fields are big-endian: 'CcnK', the size of the rest, the kind ('FxCk' program as a
// parameter list, 'FPCh' program as a plug-in chunk, 'FxBk' bank of parameter-list programs,
// 'FBCh' bank as a plug-in chunk), format version, plug-in id, plug-in version and count.
class ProgramFile {
public:
    enum class Kind { ProgramParameters, ProgramChunk, BankParameters, BankChunk };

    struct Program {
        std::string name;
        std::vector<float> values; // normalised parameter values, by index
    };

    static constexpr std::uintmax_t kMaxFileBytes = 64u << 20; // larger files are refused

    // Both answer false with a reason in Error() when the data is not a usable FXP/FXB file.
    bool Load(const std::string& path);
    bool Parse(std::span<const std::uint8_t> bytes);

    const std::string& Error() const { return error; }
    Kind Form() const { return kind; }
    bool IsBank() const { return kind == Kind::BankParameters || kind == Kind::BankChunk; }
    bool IsChunk() const { return kind == Kind::ProgramChunk || kind == Kind::BankChunk; }
    std::int32_t PluginId() const { return pluginId; }
    int CurrentProgram() const { return currentProgram; } // -1 when the file does not say
    const std::vector<Program>& Programs() const { return programs; } // parameter forms
    const std::vector<std::uint8_t>& Chunk() const { return chunk; }  // chunk forms

private:
    bool Fail(std::string reason);
    bool ParseProgram(std::span<const std::uint8_t> bytes, bool chunkAllowed);
    bool ParseBank(std::span<const std::uint8_t> bytes);

    std::string error;
    Kind kind = Kind::ProgramParameters;
    std::int32_t pluginId = 0;
    int currentProgram = -1;
    std::vector<Program> programs;
    std::vector<std::uint8_t> chunk;
};

// The four characters of an id such as 'Vor2', printable characters kept, others as '?'.
std::string FourCharacters(std::int32_t id);

} // namespace vorlunda::render
