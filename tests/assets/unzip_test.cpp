#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "assets/unzip.h"
#include "base/zip_cipher.h"
#include "support/archive.h"
#include "support/temp_dir.h"
#include "world/world.h"

namespace {

uint32_t crc_of(const std::string& content)
{
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
}

std::string gzip(const std::string& content, uint8_t flags = 0, const std::string& name = "",
                 uint8_t method = 8)
{
    std::string out = "\x1f\x8b";
    out.push_back(static_cast<char>(method));
    out.push_back(static_cast<char>(flags));
    put32(&out, 0x5F000000);
    out += std::string("\0\3", 2);
    if (!name.empty())
        out += name + '\0';
    out += deflate_raw(content);
    put32(&out, crc_of(content));
    put32(&out, static_cast<uint32_t>(content.size()));
    return out;
}

struct zip_member {
    std::string content = "the member's content";
    unsigned method = 8;
    unsigned flags = 0;
    unsigned time = 0x6C2A;  // its high byte differs from the content CRC's
    std::string name = "tree.rwx";
    std::string extra = "xtra";
    std::string password;    // encrypts with the flags' check byte
};

std::string zip(const zip_member& m)
{
    uint32_t crc = crc_of(m.content);
    std::string data = m.method == 8 ? deflate_raw(m.content) : m.content;
    if (!m.password.empty()) {
        std::string header = "0123456789a";
        header.push_back(static_cast<char>((m.flags & 8) ? m.time >> 8 : crc >> 24));
        data = header + data;
        zip_cipher cipher;
        zip_cipher_init(&cipher, reinterpret_cast<const uint8_t*>(m.password.data()),
                        m.password.size());
        zip_cipher_encrypt(&cipher, reinterpret_cast<uint8_t*>(data.data()), data.size());
    }
    std::string out = "PK\x03\x04";
    put16(&out, 20);
    put16(&out, m.flags);
    put16(&out, m.method);
    put16(&out, m.time);
    put16(&out, 0x5A21);
    put32(&out, crc);
    put32(&out, static_cast<uint32_t>(data.size()));
    put32(&out, static_cast<uint32_t>(m.content.size()));
    put16(&out, static_cast<unsigned>(m.name.size()));
    put16(&out, static_cast<unsigned>(m.extra.size()));
    return out + m.name + m.extra + data;
}

class unzip : public ::testing::Test {
protected:
    void TearDown() override { world_set_object_password(""); }

    int extract(const std::string& archive)
    {
        return unzip_memory(reinterpret_cast<const unsigned char*>(archive.data()), archive.size(),
                            out.c_str(), nullptr);
    }
    bool written() const { return access(out.c_str(), F_OK) == 0; }
    std::string result() const { return dir.read("out"); }

    temp_dir dir;
    std::string out = dir.file("out");
};

}  // namespace

TEST_F(unzip, gzip_files_with_and_without_a_stored_name)
{
    EXPECT_EQ(extract(gzip("plain text")), 0);
    EXPECT_EQ(result(), "plain text");
    EXPECT_EQ(extract(gzip("named text", 0x08, "file.txt")), 0);
    EXPECT_EQ(result(), "named text");
    EXPECT_EQ(extract(gzip("marked as text", 0x01)), 0);
    EXPECT_EQ(result(), "marked as text");
}

TEST_F(unzip, gzip_files_that_cannot_be_read_leave_no_file)
{
    EXPECT_EQ(extract(gzip("x", 0x10)), 2);  // comment
    EXPECT_EQ(extract(gzip("x", 0x04)), 2);  // extra field
    EXPECT_EQ(extract(gzip("x", 0x02)), 2);  // header CRC
    EXPECT_EQ(extract(gzip("x", 0, "", 0)), 1);
    // A name without its end, a header cut short, a stream cut short.
    std::string unended = gzip("x", 0x08, "name");
    EXPECT_EQ(extract(unended.substr(0, 14)), 7);
    EXPECT_EQ(extract(gzip("x").substr(0, 9)), 7);
    std::string whole = gzip(std::string(5000, 'a') + "end");
    EXPECT_EQ(extract(whole.substr(0, 14)), 7);
    EXPECT_FALSE(written());
}

TEST_F(unzip, the_first_zip_member_is_inflated_past_its_name_and_extra_field)
{
    zip_member m;
    EXPECT_EQ(extract(zip(m)), 0);
    EXPECT_EQ(result(), m.content);

    // Output larger than one window, of bytes that do not compress away.
    m.content.clear();
    uint32_t x = 1;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245u + 12345u;
        m.content.push_back(static_cast<char>(x >> 24));
    }
    EXPECT_EQ(extract(zip(m)), 0);
    EXPECT_EQ(result(), m.content);

    zip_member stored;
    stored.method = 0;
    EXPECT_EQ(extract(zip(stored)), 1);
}

TEST_F(unzip, encrypted_members_need_the_world_password)
{
    zip_member m;
    m.flags = 0x01;
    m.password = "opensesame";
    std::string sealed = zip(m);
    world_set_object_password("opensesame");
    EXPECT_EQ(extract(sealed), 0);
    EXPECT_EQ(result(), m.content);
    ASSERT_EQ(unlink(out.c_str()), 0);

    world_set_object_password("opensesamf");
    EXPECT_EQ(extract(sealed), 4);
    world_set_object_password("");
    EXPECT_EQ(extract(sealed), 4);
    EXPECT_FALSE(written());

    // With sizes after the data, the check byte is the time's high byte.
    m.flags = 0x09;
    m.password = "pw";
    world_set_object_password("pw");
    EXPECT_EQ(extract(zip(m)), 0);
    EXPECT_EQ(result(), m.content);
    ASSERT_EQ(unlink(out.c_str()), 0);
    std::string checked_by_crc = zip(m);
    checked_by_crc[6] = 0x01;  // the flag gone: the CRC's byte is expected
    EXPECT_EQ(extract(checked_by_crc), 4);
    EXPECT_FALSE(written());
}

TEST_F(unzip, damaged_or_foreign_data_leaves_no_file)
{
    zip_member m;
    m.content = std::string(20000, 'q') + "tail";
    std::string whole = zip(m);
    EXPECT_EQ(extract(whole.substr(0, whole.size() - 3)), 7);
    std::string corrupt = zip(zip_member{});
    corrupt[30 + 8 + 4] = static_cast<char>(0xFF);  // an invalid block type
    EXPECT_EQ(extract(corrupt), 7);
    m.password = "pw";
    world_set_object_password("pw");
    std::string sealed = zip(m);
    EXPECT_EQ(extract(sealed.substr(0, 30 + 8 + 4 + 11)), 7);
    EXPECT_FALSE(written());

    EXPECT_EQ(extract("this is not an archive at all"), 8);
    EXPECT_EQ(extract(""), 8);
    EXPECT_EQ(extract("PK\x03"), 8);
    EXPECT_EQ(extract(std::string("PK\x03\x04", 4) + "short"), 3);
    std::string long_name = zip(zip_member{});
    long_name[26] = static_cast<char>(0xF0);
    EXPECT_EQ(extract(long_name), 3);
    EXPECT_FALSE(written());
}

TEST_F(unzip, an_output_file_that_cannot_be_made)
{
    out = dir.file("missing/out");
    EXPECT_EQ(extract(gzip("text")), 5);
    EXPECT_FALSE(written());
}

TEST_F(unzip, the_file_comes_in_memory_with_or_without_a_path_and_nothing_on_failure)
{
    zip_member m;
    m.content.clear();
    uint32_t x = 7;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245u + 12345u;
        m.content.push_back(static_cast<char>(x >> 24));
    }
    const std::string archive = zip(m);
    auto in = [](const std::string& a) { return reinterpret_cast<const unsigned char*>(a.data()); };
    std::vector<unsigned char> bytes{'o', 'l', 'd'};
    auto held = [&] { return std::string(bytes.begin(), bytes.end()); };
    EXPECT_EQ(unzip_memory(in(archive), archive.size(), nullptr, &bytes), 0);
    EXPECT_EQ(held(), m.content);
    EXPECT_FALSE(written());
    EXPECT_EQ(unzip_memory(in(archive), archive.size(), out.c_str(), &bytes), 0);
    EXPECT_EQ(held(), m.content);
    EXPECT_EQ(result(), m.content);
    ASSERT_EQ(unlink(out.c_str()), 0);

    zip_member sealed;
    sealed.flags = 0x01;
    sealed.password = "pw";
    const std::string encrypted = zip(sealed);
    world_set_object_password("pw");
    EXPECT_EQ(unzip_memory(in(encrypted), encrypted.size(), nullptr, &bytes), 0);
    EXPECT_EQ(held(), sealed.content);
    world_set_object_password("px");
    EXPECT_EQ(unzip_memory(in(encrypted), encrypted.size(), nullptr, &bytes), 4);
    EXPECT_TRUE(bytes.empty());

    // A stream cut short, a file that cannot be made, nowhere to put it.
    const std::string cut = archive.substr(0, archive.size() / 2);
    bytes.assign(3, 'x');
    EXPECT_EQ(unzip_memory(in(cut), cut.size(), nullptr, &bytes), 7);
    EXPECT_TRUE(bytes.empty());
    bytes.assign(3, 'x');
    EXPECT_EQ(unzip_memory(in(archive), archive.size(), dir.file("missing/out").c_str(), &bytes),
              5);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(unzip_memory(in(archive), archive.size(), nullptr, nullptr), 8);
    EXPECT_FALSE(written());
}
