#pragma once

#include <cstdint>

// Four ASCII characters packed with the first in the most significant byte: 'EXIT' is 0x45584954.
constexpr std::int32_t commandCode(const char (&text)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

// What a widget reports to its parent; valid only during the call that carries it.
struct LGUIEvent {
    static constexpr std::int32_t Clicked = 1;            // a button was clicked or a toggle changed
    static constexpr std::int32_t CheckBoxChanged = 0x103;

    std::int32_t type;
    std::int32_t command;
    std::int32_t value; // the new state of toggles and check boxes
    std::int32_t id;    // the check box's id; 0 from buttons
    std::int32_t reserved;
};
