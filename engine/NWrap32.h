#pragma once

#include "foundation/LittleEndian.h"

#include <cstdint>

// The engine's sound is defined in 32-bit integer arithmetic that wraps like the handheld's. Valid
// songs never reach the wrap; hostile parameters must wrap rather than overflow (which C++ leaves
// undefined), so products and sums go through unsigned arithmetic.
namespace wrap32 {

inline std::int32_t mul(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

inline std::int32_t add(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t sub(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Truncating division; the one quotient that does not fit wraps.
inline std::int32_t div(std::int32_t a, std::int32_t b)
{
    return (a == INT32_MIN && b == -1) ? INT32_MIN : a / b;
}

// A signed 32-bit word inside song data (a pattern's length in the machines' banks).
inline std::int32_t load(const std::uint8_t* b)
{
    return static_cast<std::int32_t>(littleendian::read32(b));
}

inline void store(std::uint8_t* b, std::int32_t v)
{
    littleendian::write32(b, static_cast<std::uint32_t>(v));
}

} // namespace wrap32
