#include "zip_write.h"

#include <zlib.h>

#include <cstdint>

#include "base/zip_cipher.h"
#include "bytes.h"

namespace {

// Every member carries the same time stamp (1 January 2026, 12:00), so a
// rebuild of unchanged art writes the same bytes.
constexpr unsigned dos_time = 12u << 11;
constexpr unsigned dos_date = ((2026u - 1980u) << 9) | (1u << 5) | 1u;

bool deflate_raw(const std::string& content, std::string* out)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out->assign(deflateBound(&z, content.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    z.avail_in = static_cast<uInt>(content.size());
    z.next_out = reinterpret_cast<Bytef*>(out->data());
    z.avail_out = static_cast<uInt>(out->size());
    int result = deflate(&z, Z_FINISH);
    out->resize(z.total_out);
    deflateEnd(&z);
    return result == Z_STREAM_END;
}

// The twelve bytes that open an encrypted member: eleven bytes that only
// have to differ between archives, then the check byte.
std::string encryption_header(const std::string& member, uint32_t crc)
{
    uint32_t seed = crc ^ 0x9E3779B9u;
    for (char c : member)
        seed = seed * 31u + static_cast<uint8_t>(c);
    std::string header;
    for (int i = 0; i < 11; ++i) {
        seed = seed * 1103515245u + 12345u;
        header.push_back(static_cast<char>(seed >> 16));
    }
    header.push_back(static_cast<char>(crc >> 24));
    return header;
}

void put_header_fields(std::string* out, unsigned flags, uint32_t crc, uint32_t packed,
                       uint32_t size, const std::string& member)
{
    put16(out, 20);
    put16(out, flags);
    put16(out, 8);
    put16(out, dos_time);
    put16(out, dos_date);
    put32(out, crc);
    put32(out, packed);
    put32(out, size);
    put16(out, static_cast<unsigned>(member.size()));
    put16(out, 0);
}

}  // namespace

std::string zip_write(const std::string& member, const std::string& content,
                      const std::string& password)
{
    std::string data;
    if (!deflate_raw(content, &data))
        return {};
    const auto crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    unsigned flags = 0;
    if (!password.empty()) {
        flags = 1;
        data = encryption_header(member, crc) + data;
        zip_cipher cipher;
        zip_cipher_init(&cipher, reinterpret_cast<const uint8_t*>(password.data()), password.size());
        zip_cipher_encrypt(&cipher, reinterpret_cast<uint8_t*>(data.data()), data.size());
    }
    const auto packed = static_cast<uint32_t>(data.size());
    const auto size = static_cast<uint32_t>(content.size());

    std::string out = "PK\x03\x04";
    put_header_fields(&out, flags, crc, packed, size, member);
    out += member;
    out += data;

    const auto directory = static_cast<uint32_t>(out.size());
    out += "PK\x01\x02";
    put16(&out, 20);
    put_header_fields(&out, flags, crc, packed, size, member);
    put16(&out, 0);
    put16(&out, 0);
    put16(&out, 0);
    put32(&out, 0);
    put32(&out, 0);
    out += member;
    const auto directory_size = static_cast<uint32_t>(out.size()) - directory;

    out += "PK\x05\x06";
    put16(&out, 0);
    put16(&out, 0);
    put16(&out, 1);
    put16(&out, 1);
    put32(&out, directory_size);
    put32(&out, directory);
    put16(&out, 0);
    return out;
}
