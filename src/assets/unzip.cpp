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

// The output file: removed again unless it was written completely.
class output_file {
public:
    explicit output_file(const char* path) : path_(path), file_(std::fopen(path, "wb")) {}
    ~output_file()
    {
        if (file_) {
            std::fclose(file_);
            std::remove(path_);
        }
    }
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    bool is_open() const { return file_ != nullptr; }
    bool write(const unsigned char* bytes, size_t count)
    {
        return std::fwrite(bytes, 1, count, file_) == count;
    }
    // Closes the file and keeps it; false when the last bytes could not be
    // written.
    bool keep()
    {
        int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0)
            std::remove(path_);
        return closed == 0;
    }

private:
    const char* path_;
    std::FILE* file_;
};

int inflate_to(const deflate_input& in, output_file* out)
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
        if (produced > 0 && !out->write(window.get(), produced)) {
            result = unzip_no_file;
            break;
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

int unzip_memory(const unsigned char* data, size_t size, const char* path)
{
    if (!data || !path)
        return unzip_unknown;
    deflate_input in;
    int result = size >= 2 && data[0] == 0x1F && data[1] == 0x8B ? read_gzip(data, size, &in)
                                                                  : read_zip(data, size, &in);
    if (result != unzip_ok)
        return result;
    output_file out(path);
    if (!out.is_open())
        return unzip_no_file;
    result = inflate_to(in, &out);
    if (result == unzip_ok && !out.keep())
        result = unzip_no_file;
    return result;
}
