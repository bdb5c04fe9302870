#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace formats {

// Appends little-endian values to a growing byte vector.
class BinaryWriter {
public:
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint16_t v) { Le(v, 2); }
    void U32(std::uint32_t v) { Le(v, 4); }
    void U64(std::uint64_t v) { Le(v, 8); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void Tag(std::string_view tag) { Bytes(tag.data(), 4); }
    // UTF-8 text behind its 32-bit byte count.
    void Text(std::string_view text) {
        U32(static_cast<std::uint32_t>(text.size()));
        Bytes(text.data(), text.size());
    }

    // Tag and a size to be patched by EndChunk; returns where the size sits.
    std::size_t BeginChunk(std::string_view tag) {
        Tag(tag);
        const std::size_t at = bytes_.size();
        U64(0);
        return at;
    }
    void EndChunk(std::size_t sizeAt) {
        std::uint64_t size = bytes_.size() - sizeAt - 8;
        for (int i = 0; i < 8; ++i, size >>= 8) bytes_[sizeAt + i] = static_cast<std::uint8_t>(size);
    }

    std::size_t Size() const { return bytes_.size(); }
    void Reserve(std::size_t size) { bytes_.reserve(size); }
    // Direct access for bulk writers: grow, fill through data(), then Truncate to what was used.
    std::uint8_t* Grow(std::size_t size) {
        const std::size_t old = bytes_.size();
        bytes_.resize(old + size);
        return bytes_.data() + old;
    }
    void Truncate(std::size_t size) { bytes_.resize(size); }

    const std::vector<std::uint8_t>& Data() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    void Le(std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i, v >>= 8) bytes_.push_back(static_cast<std::uint8_t>(v));
    }

    std::vector<std::uint8_t> bytes_;
};

inline std::uint16_t LoadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
inline std::uint64_t LoadU64(const std::uint8_t* p) {
    return std::uint64_t{LoadU32(p)} | (std::uint64_t{LoadU32(p + 4)} << 32);
}

// Reads little-endian values from a byte range; any read past its end throws.
class BinaryReader {
public:
    BinaryReader(const std::uint8_t* data, std::size_t size) : pos_(data), end_(data + size) {}

    std::size_t Remaining() const { return static_cast<std::size_t>(end_ - pos_); }

    const std::uint8_t* Take(std::size_t size) {
        if (size > Remaining()) ThrowEnd();
        const std::uint8_t* at = pos_;
        pos_ += size;
        return at;
    }
    void Skip(std::size_t size) { Take(size); }
    // The next `size` bytes as a reader of their own.
    BinaryReader Sub(std::size_t size) { return BinaryReader(Take(size), size); }

    std::uint8_t U8() { return *Take(1); }
    std::int8_t I8() { return static_cast<std::int8_t>(U8()); }
    std::uint16_t U16() { return LoadU16(Take(2)); }
    std::uint32_t U32() { return LoadU32(Take(4)); }
    std::uint64_t U64() { return LoadU64(Take(8)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }

    [[noreturn]] static void ThrowEnd() { throw std::runtime_error("Unexpected end of file."); }

private:
    const std::uint8_t* pos_;
    const std::uint8_t* end_;
};

}  // namespace formats
