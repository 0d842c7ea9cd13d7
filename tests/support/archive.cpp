#include "support/archive.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <zlib.h>

#include <cstdint>
#include <random>

void put16(std::string* out, unsigned v)
{
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string* out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::string deflate_raw(const std::string& content)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, content.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    z.avail_in = static_cast<uInt>(content.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

namespace {


// The traditional ZIP cipher, written here from its description so the
// tests do not lean on the program's own copy.
class zip_keys {
public:
    explicit zip_keys(const std::string& password)
    {
        for (char c : password)
            update(static_cast<uint8_t>(c));
    }

    uint8_t encrypt(uint8_t plain)
    {
        uint32_t t = (k2 | 2) & 0xFFFF;
        uint8_t cipher = plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
        update(plain);
        return cipher;
    }

private:
    static uint32_t crc_byte(uint32_t crc, uint8_t b)
    {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        return crc;
    }

    void update(uint8_t b)
    {
        k0 = crc_byte(k0, b);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = crc_byte(k2, static_cast<uint8_t>(k1 >> 24));
    }

    uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
};

}  // namespace

std::string zip_archive(const std::string& member, const std::string& content,
                        const std::string& password)
{
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    std::string data = deflate_raw(content);
    bool encrypted = !password.empty();
    if (encrypted) {
        zip_keys keys(password);
        std::string header(12, '\0');
        std::mt19937 random(7);
        for (int i = 0; i < 11; ++i)
            header[static_cast<size_t>(i)] = static_cast<char>(random() & 0xFF);
        header[11] = static_cast<char>(crc >> 24);  // the check byte
        std::string sealed;
        for (char c : header + data)
            sealed.push_back(static_cast<char>(keys.encrypt(static_cast<uint8_t>(c))));
        data = sealed;
    }
    std::string out = "PK\x03\x04";
    put16(&out, 20);
    put16(&out, encrypted ? 1 : 0);
    put16(&out, 8);
    put16(&out, 0);
    put16(&out, 0);
    put32(&out, crc);
    put32(&out, static_cast<uint32_t>(data.size()));
    put32(&out, static_cast<uint32_t>(content.size()));
    put16(&out, static_cast<unsigned>(member.size()));
    put16(&out, 0);
    out += member + data;
    return out;
}

std::string jpeg_image(int width, int height, unsigned top, unsigned bottom)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb colour = 0xFF000000u | (y < height / 2 ? top : bottom);
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colour);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes.toStdString();
}
