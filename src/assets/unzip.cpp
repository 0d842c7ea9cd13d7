#include "assets/unzip.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/zip_cipher.h"
#include "world/world.h"

namespace {

enum unzip_result {
    unzip_ok = 0,
    unzip_not_deflated = 1,
    unzip_bad_flags = 2,
    unzip_bad_header = 3,
    unzip_bad_password = 4,
    unzip_no_file = 5,
    unzip_no_memory = 6,
    unzip_corrupt = 7,
    unzip_unknown = 8,
};

constexpr size_t window_size = 32768;

constexpr size_t gzip_header = 10;
constexpr uint8_t gzip_method_deflate = 8;
constexpr uint8_t gzip_flag_text = 0x01;
constexpr uint8_t gzip_flag_name = 0x08;

constexpr size_t zip_header = 30;
constexpr uint16_t zip_method_deflate = 8;
constexpr uint16_t zip_flag_encrypted = 0x0001;
constexpr uint16_t zip_flag_data_descriptor = 0x0008;
constexpr size_t zip_encryption_header = 12;

uint16_t le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Where the raw DEFLATE stream lies, once the headers are read.
struct deflate_input {
    const unsigned char* data = nullptr;
    size_t size = 0;
    std::vector<unsigned char> decrypted;  // holds the bytes when the member was encrypted
};

int read_gzip(const unsigned char* data, size_t size, deflate_input* in)
{
    if (size < gzip_header)
        return unzip_corrupt;
    if (data[2] != gzip_method_deflate)
        return unzip_not_deflated;
    uint8_t flags = data[3];
    if (flags & ~(gzip_flag_text | gzip_flag_name))
        return unzip_bad_flags;
    size_t start = gzip_header;
    if (flags & gzip_flag_name) {
        const void* end = std::memchr(data + start, 0, size - start);
        if (!end)
            return unzip_corrupt;
        start = static_cast<size_t>(static_cast<const unsigned char*>(end) - data) + 1;
    }
    in->data = data + start;
    in->size = size - start;
    return unzip_ok;
}

int read_zip(const unsigned char* data, size_t size, deflate_input* in)
{
    if (size < 4 || std::memcmp(data, "PK\x03\x04", 4) != 0)
        return unzip_unknown;
    if (size < zip_header)
        return unzip_bad_header;
    size_t length = zip_header + le16(data + 26) + le16(data + 28);
    if (length > size)
        return unzip_bad_header;
    if (le16(data + 8) != zip_method_deflate)
        return unzip_not_deflated;
    uint16_t flags = le16(data + 6);
    if (!(flags & zip_flag_encrypted)) {
        in->data = data + length;
        in->size = size - length;
        return unzip_ok;
    }
    // The last byte of the decrypted encryption header repeats the high
    // byte of the modification time (when sizes and CRC follow the data)
    // or of the CRC: a wrong password shows there.
    const char* password = world_object_password();
    size_t password_length = password ? std::strlen(password) : 0;
    if (password_length == 0)
        return unzip_bad_password;
    uint8_t check = (flags & zip_flag_data_descriptor) ? data[11] : data[17];
    if (size - length < zip_encryption_header)
        return unzip_corrupt;
    zip_cipher cipher;
    zip_cipher_init(&cipher, reinterpret_cast<const uint8_t*>(password), password_length);
    uint8_t header[zip_encryption_header];
    std::memcpy(header, data + length, sizeof header);
    zip_cipher_decrypt(&cipher, header, sizeof header);
    if (header[zip_encryption_header - 1] != check)
        return unzip_bad_password;
    try {
        in->decrypted.assign(data + length + zip_encryption_header, data + size);
    } catch (const std::bad_alloc&) {
        return unzip_no_memory;
    }
    zip_cipher_decrypt(&cipher, in->decrypted.data(), in->decrypted.size());
    in->data = in->decrypted.data();
    in->size = in->decrypted.size();
    return unzip_ok;
}

// Where the inflated bytes go: the file at a path, a buffer, or both. The
// file is removed and the buffer emptied again unless everything arrived.
class output {
public:
    output(const char* path, std::vector<unsigned char>* bytes)
        : path_(path), file_(path ? std::fopen(path, "wb") : nullptr), bytes_(bytes)
    {
    }
    ~output()
    {
        if (file_) {
            std::fclose(file_);
            std::remove(path_);
        }
        if (!kept_ && bytes_)
            std::vector<unsigned char>().swap(*bytes_);
    }
    output(const output&) = delete;
    output& operator=(const output&) = delete;

    // The file, when one is wanted, could be created.
    bool is_open() const { return !path_ || file_; }
    // Appends the bytes: 0, or the result the extraction fails with.
    int write(const unsigned char* bytes, size_t count)
    {
        if (file_ && std::fwrite(bytes, 1, count, file_) != count)
            return unzip_no_file;
        if (bytes_) {
            try {
                bytes_->insert(bytes_->end(), bytes, bytes + count);
            } catch (const std::bad_alloc&) {
                return unzip_no_memory;
            }
        }
        return unzip_ok;
    }
    // Closes the file and keeps what was written; false when the last
    // bytes could not be written to the file.
    bool keep()
    {
        if (file_) {
            int closed = std::fclose(file_);
            file_ = nullptr;
            if (closed != 0) {
                std::remove(path_);
                return false;
            }
        }
        kept_ = true;
        return true;
    }

private:
    const char* path_;
    std::FILE* file_;
    std::vector<unsigned char>* bytes_;
    bool kept_ = false;
};

int inflate_to(const deflate_input& in, output* out)
{
    std::unique_ptr<unsigned char[]> window(new (std::nothrow) unsigned char[window_size]);
    if (!window)
        return unzip_no_memory;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return unzip_no_memory;
    const unsigned char* next = in.data;
    size_t left = in.size;
    int result = unzip_corrupt;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            // zlib counts its input in 32 bits.
            size_t piece = std::min<size_t>(left, UINT_MAX);
            z.next_in = const_cast<Bytef*>(next);
            z.avail_in = static_cast<uInt>(piece);
            next += piece;
            left -= piece;
        }
        z.next_out = window.get();
        z.avail_out = window_size;
        int status = inflate(&z, Z_NO_FLUSH);
        size_t produced = window_size - z.avail_out;
        if (produced > 0) {
            int written = out->write(window.get(), produced);
            if (written != unzip_ok) {
                result = written;
                break;
            }
        }
        if (status == Z_STREAM_END) {
            result = unzip_ok;
            break;
        }
        // Anything else is corrupt data; Z_BUF_ERROR means that the input
        // ran out before the end of the stream.
        if (status != Z_OK)
            break;
    }
    inflateEnd(&z);
    return result;
}

}  // namespace

int unzip_memory(const unsigned char* data, size_t size, const char* path,
                 std::vector<unsigned char>* out)
{
    if (out)
        std::vector<unsigned char>().swap(*out);
    if (!data || (!path && !out))
        return unzip_unknown;
    deflate_input in;
    int result = size >= 2 && data[0] == 0x1F && data[1] == 0x8B ? read_gzip(data, size, &in)
                                                                  : read_zip(data, size, &in);
    if (result != unzip_ok)
        return result;
    output target(path, out);
    if (!target.is_open())
        return unzip_no_file;
    result = inflate_to(in, &target);
    if (result == unzip_ok && !target.keep())
        result = unzip_no_file;
    return result;
}
