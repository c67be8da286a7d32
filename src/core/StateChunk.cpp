#include "core/StateChunk.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vorlunda {

static_assert(std::endian::native == std::endian::little,
              "state chunks are stored in the machine's byte order, which must be little-endian");

void StateChunk::Grow(std::size_t newSize) {
    if (newSize > bytes.capacity()) {
        // Over-reserve by half the request (in 4 KiB steps, between 4 KiB and 4 MiB) and round so
        // that the reserve plus 96 bytes of allocator overhead fills whole 4 KiB pages.
        std::size_t extra = (newSize / 2) / 4096 * 4096;
        extra = std::clamp<std::size_t>(extra, 4096, 4194304);
        std::size_t reserve = newSize + extra;
        reserve = (reserve + 96 + 4095) / 4096 * 4096 - 96;
        bytes.reserve(reserve);
    }
    bytes.resize(newSize);
}

void StateChunk::Reserve(int size) {
    if (size > 0)
        bytes.reserve(static_cast<std::size_t>(size));
}

int StateChunk::AppendBytes(const void* data, int count) {
    if (count > 0 && data) {
        const std::size_t old = bytes.size();
        if (static_cast<std::size_t>(count) >
            static_cast<std::size_t>(std::numeric_limits<int>::max()) - old)
            return ByteCount(); // a chunk never grows past what a 32-bit size can describe
        Grow(old + static_cast<std::size_t>(count));
        std::memcpy(bytes.data() + old, data, static_cast<std::size_t>(count));
    }
    return ByteCount();
}

int StateChunk::Append(std::int32_t value) {
    return AppendBytes(&value, sizeof value);
}
int StateChunk::Append(double value) {
    return AppendBytes(&value, sizeof value);
}
int StateChunk::Append(bool flag) {
    const std::uint8_t b = flag ? 1 : 0;
    return AppendBytes(&b, 1);
}

int StateChunk::AppendString(std::string_view text) {
    const auto n = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max() / 2));
    Append(n);
    return AppendBytes(text.data(), n);
}

int StateChunk::ReadRaw(void* out, int count, int position) const {
    if (position < 0 || count < 0 || position > ByteCount() || ByteCount() - position < count)
        return -1;
    std::memcpy(out, bytes.data() + position, static_cast<std::size_t>(count));
    return position + count;
}

int StateChunk::Read(std::int32_t* value, int position) const {
    std::int32_t v;
    const int next = ReadRaw(&v, sizeof v, position);
    if (next >= 0)
        *value = v;
    return next;
}

int StateChunk::Read(double* value, int position) const {
    double v;
    const int next = ReadRaw(&v, sizeof v, position);
    if (next >= 0)
        *value = v;
    return next;
}

int StateChunk::Read(bool* flag, int position) const {
    std::uint8_t b;
    const int next = ReadRaw(&b, 1, position);
    if (next >= 0)
        *flag = b != 0;
    return next;
}

int StateChunk::ReadString(std::string* text, int position) const {
    std::int32_t n = 0;
    const int start = Read(&n, position);
    if (start < 0 || n < 0 || n > ByteCount() - start)
        return -1;
    text->assign(reinterpret_cast<const char*>(bytes.data()) + start, static_cast<std::size_t>(n));
    return start + n;
}

int StateChunk::SetSize(int size) {
    const int old = ByteCount();
    Grow(static_cast<std::size_t>(std::max(size, 0)));
    return old;
}

} // namespace vorlunda
