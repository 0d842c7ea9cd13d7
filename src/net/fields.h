#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Big-endian fields of the universe and property protocols, read from a
// message body that may be cut short by the sender: every read checks what
// is left, and once one runs short the reader gives zeros and empty texts
// and reports !ok().
class field_reader {
public:
    field_reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t consumed() const { return at_; }
    size_t left() const { return ok_ ? size_ - at_ : 0; }

    uint8_t u8()
    {
        const uint8_t* p = take(1);
        return p ? p[0] : 0;
    }
    uint16_t u16()
    {
        const uint8_t* p = take(2);
        return p ? static_cast<uint16_t>(p[0] << 8 | p[1]) : 0;
    }
    uint32_t u32()
    {
        const uint8_t* p = take(4);
        return p ? static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                       static_cast<uint32_t>(p[2]) << 8 | p[3]
                 : 0;
    }
    // A length byte and that many bytes.
    std::string text()
    {
        size_t n = u8();
        const uint8_t* p = take(n);
        return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
    }
    // Bytes as they are, or none when too few are left.
    const uint8_t* raw(size_t n) { return take(n); }

private:
    const uint8_t* take(size_t n)
    {
        if (!ok_ || size_ - at_ < n) {
            ok_ = false;
            return nullptr;
        }
        const uint8_t* p = data_ + at_;
        at_ += n;
        return p;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Big-endian fields written into a buffer of fixed capacity; what does not
// fit is cut off and reported by !ok().
class field_writer {
public:
    field_writer(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

    bool ok() const { return ok_; }
    size_t size() const { return at_; }

    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v)
    {
        uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
        put(b, 2);
    }
    void u32(uint32_t v)
    {
        uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
        put(b, 4);
    }
    // A text of at most 255 bytes (longer ones are cut).
    void text(const std::string& s)
    {
        size_t n = s.size() < 255 ? s.size() : 255;
        u8(static_cast<uint8_t>(n));
        put(s.data(), n);
    }
    void raw(const void* p, size_t n) { put(p, n); }

private:
    void put(const void* p, size_t n)
    {
        if (!ok_ || capacity_ - at_ < n) {
            ok_ = false;
            return;
        }
        if (n)
            std::memcpy(data_ + at_, p, n);
        at_ += n;
    }

    uint8_t* data_;
    size_t capacity_;
    size_t at_ = 0;
    bool ok_ = true;
};
