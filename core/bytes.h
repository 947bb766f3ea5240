#pragma once
// Little-endian fields in fixed-layout records. Records are byte arrays;
// fields are encoded and decoded one by one, never by copying a struct.

#include <bit>
#include <cstdint>
#include <cstring>

namespace zk::bytes {

inline std::uint8_t u8(const std::uint8_t* p) { return p[0]; }
inline std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::int16_t i16(const std::uint8_t* p) { return static_cast<std::int16_t>(u16(p)); }
inline std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline float f32(const std::uint8_t* p) { return std::bit_cast<float>(u32(p)); }

inline void putU8(std::uint8_t* p, std::uint8_t v) { p[0] = v; }
inline void putU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putI16(std::uint8_t* p, std::int16_t v) { putU16(p, static_cast<std::uint16_t>(v)); }
inline void putU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void putF32(std::uint8_t* p, float v) { putU32(p, std::bit_cast<std::uint32_t>(v)); }

} // namespace zk::bytes

// Declares the getter and setter of one field of a record class that keeps
// its bytes in `bytes_`; `get` and `put` name the zk::bytes functions.
#define ZK_RECORD_FIELD(type, name, setter, offset, get, put)                    \
    type name() const { return static_cast<type>(bytes::get(&bytes_[offset])); } \
    void setter(type v) { bytes::put(&bytes_[offset], v); }
