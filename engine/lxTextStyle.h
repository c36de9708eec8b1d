#pragma once

#include <cstdint>

// The text description of a text layer. It is stored byte for byte in design
// files and copied with its layer; the text code gives the bytes their fields.
struct TlxTextStyle {
    uint8_t Raw[2124];
};
static_assert(sizeof(TlxTextStyle) == 2124);
