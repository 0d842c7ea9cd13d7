#pragma once
#include <cstdint>
#include <string>

// Little-endian fields, as archives store them.
void put16(std::string* out, unsigned v);
void put32(std::string* out, uint32_t v);

// Raw deflate (no header), as zip members and gzip bodies hold it.
std::string deflate_raw(const std::string& content);

// Archives made by the tests: a zip holding one deflated member, encrypted
// with the traditional ZIP cipher when a password is given.
std::string zip_archive(const std::string& member, const std::string& content,
                        const std::string& password = "");
// A JPEG of one colour (0xRRGGBB), or of two halves (top and bottom).
std::string jpeg_image(int width, int height, unsigned top, unsigned bottom);
