#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlunda {

// Growable byte buffer for all serialised state. Values are appended little-endian without
// padding; strings as a 32-bit length and their bytes. Readers take a position and answer the
// position after the value, or -1 when the data ran out (the value is then left unchanged).
class StateChunk {
public:
    int Append(std::int32_t value);
    int Append(double value);
    int Append(bool flag);
    int AppendString(std::string_view text);
    int AppendBytes(const void* bytes, int count);

    int Read(std::int32_t* value, int position) const;
    int Read(double* value, int position) const;
    int Read(bool* flag, int position) const;
    // A negative length, or one larger than the bytes left, answers -1 and leaves text unchanged.
    int ReadString(std::string* text, int position) const;

    // New bytes are zero; answers the old size.
    int SetSize(int size);
    void Empty() { SetSize(0); }
    int ByteCount() const { return static_cast<int>(bytes.size()); }
    const std::uint8_t* Data() const { return bytes.data(); }
    std::uint8_t* Data() { return bytes.data(); }
    // Reserves memory ahead so that later appends of up to `size` bytes do not allocate.
    void Reserve(int size);
    // Bytes the chunk can hold before it allocates again.
    int Reserved() const { return static_cast<int>(bytes.capacity()); }

private:
    int ReadRaw(void* out, int count, int position) const;
    void Grow(std::size_t newSize);

    std::vector<std::uint8_t> bytes;
};

} // namespace vorlunda
