#pragma once

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

} // namespace wrap32
