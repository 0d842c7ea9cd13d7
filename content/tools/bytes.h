#pragma once
#include <cstdint>
#include <string>

// Little-endian fields, as BMP, WAV and ZIP files store them.
inline void put16(std::string* out, unsigned v)
{
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void put32(std::string* out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
