#pragma once

#include "core/IPluginBase.h"
#include "core/StateChunk.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlunda {

class PlugParam;

// The building blocks of the FXP program and FXB bank file formats, shared by the plug-in base's
// file operations and the instrument's loaders for version-1 programs. Header fields are 32-bit
// big-endian; the opaque chunk inside a file keeps the state chunk's little-endian encoding.
namespace fx {

constexpr std::int32_t kChunkMagic = FourCC('C', 'c', 'n', 'K');
constexpr std::int32_t kProgramChunkMagic = FourCC('F', 'P', 'C', 'h'); // program, opaque chunk
constexpr std::int32_t kProgramListMagic = FourCC('F', 'x', 'C', 'k');  // program, value list
constexpr std::int32_t kBankChunkMagic = FourCC('F', 'B', 'C', 'h');    // bank, opaque chunk
constexpr std::int32_t kBankListMagic = FourCC('F', 'x', 'B', 'k');     // bank, program list
constexpr std::int32_t kProgramFormatVersion = 1;
constexpr std::int32_t kBankFormatVersion = 2;

constexpr int kNameSize = 28;          // bytes of the program name field, terminator included
constexpr int kProgramHeaderSize = 56; // bytes before a program's chunk size or its values
constexpr int kProgramChunkStart = 60; // offset of a program file's opaque chunk
constexpr int kBankHeaderSize = 156;   // bytes before a bank's chunk size or its programs
constexpr int kBankChunkStart = 160;   // offset of a bank file's opaque chunk
constexpr int kBankCurrentOffset = 28; // offset of a bank's current program index
constexpr int kBankProgramCountOffset = 24;

// Files larger than this are refused before they are read whole: a bank of 64 programs with
// names at their longest stays far below it, and a device or a huge file must not exhaust memory.
constexpr int kMaxFileBytes = 16 * 1024 * 1024;

// The seven header fields and the name that open every program, alone in a file or in a bank.
struct ProgramHeader {
    std::int32_t chunkMagic = 0;
    std::int32_t byteSize = 0;
    std::int32_t formatMagic = 0;
    std::int32_t formatVersion = 0;
    std::int32_t pluginId = 0;
    std::int32_t pluginVersion = 0;
    std::int32_t parameterCount = 0;
    std::string name;
};

// Readers follow the state chunk's position protocol: the position after the item, or -1.
int ReadBigEndian(const StateChunk& chunk, int position, std::int32_t* value);
int ReadBigEndianFloat(const StateChunk& chunk, int position, float* value);
// The 28-byte name field: the bytes up to the first zero, or all 28 when none is zero.
int ReadName(const StateChunk& chunk, int position, std::string* name);
// The program header at `position`; answers the position after its name, or -1.
int ReadProgramHeader(const StateChunk& chunk, int position, ProgramHeader* header);

void AppendBigEndian(StateChunk& chunk, std::int32_t value);
// The name cut to 27 bytes (and at its first zero byte), zero-filled to 28.
void AppendName(StateChunk& chunk, std::string_view name);

// The packed version 0x00MMmmpp as hosts and files show it: MM * 10000 + mm * 100 + pp.
std::int32_t DecimalVersion(std::int32_t packed);

// Stores a normalised value read from a file. Files are untrusted: the value is clamped into
// 0..1 (so the stored value lies in the parameter's range) and a NaN stores the minimum, which
// the plain normalised setter (no lower clamp) would not ensure.
void SetFromFileValue(PlugParam& parameter, float normalised);

// Reads `count` big-endian normalised values into parameters 0, 1, ... through
// SetFromFileValue. Answers the position after them, or -1 when the data runs out (the values
// read so far are already stored).
int ReadNormalisedValues(IPluginBase& plugin, const StateChunk& image, int position, int count);

// Whole-file reading and writing in binary mode; paths are UTF-8. Reading fails for an empty
// path, a path that cannot be opened or read (a directory among them) and a file above
// kMaxFileBytes. Writing goes to a temporary file beside the target that replaces it only when
// every byte was written and flushed; it fails, leaving an existing file intact, when the file
// cannot be created or written, or the target is read-only.
bool ReadWholeFile(const char* path, StateChunk& image);
bool WriteWholeFile(const char* path, const StateChunk& image);

} // namespace fx
} // namespace vorlunda
