// Checks the sample worlds' art as the build publishes it: every archive
// opens with the client's extractor, every model reads with its RWX
// reader, everything a model or an object's action names is there, and
// the help pages' teleport links have the form the web pane intercepts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "assets/unzip.h"
#include "render/clump.h"
#include "render/rwx.h"
#include "support/temp_dir.h"
#include "world/world.h"

namespace fs = std::filesystem;

namespace {

const fs::path built = VIREO_CONTENT_DIR;
const fs::path source = VIREO_CONTENT_SOURCE_DIR;
const char* const worlds[] = {"qo", "gate"};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::vector<fs::path> files_of(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The member of an archive, extracted with the client's extractor; the
// result code goes to *code.
std::string extract(const fs::path& archive, int* code)
{
    std::string bytes = read_file(archive);
    temp_dir dir;
    *code = unzip_memory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                         dir.file("member").c_str(), nullptr);
    return *code == 0 ? dir.read("member") : std::string();
}

// Opens an archive of a world, with that world's object password set.
std::string open_archive(const std::string& world, const fs::path& archive)
{
    world_set_object_password(world == "qo" ? VIREO_QO_OBJECT_PASSWORD : "");
    int code = -1;
    std::string member = extract(archive, &code);
    world_set_object_password("");
    EXPECT_EQ(code, 0) << archive;
    return member;
}

// A texture statement of a model: texture and mask names cut at their
// first "." and lower-cased, as the model registry lists them.
struct texture_use {
    std::string texture;
    std::string mask;
};

std::string cut_at_point(const std::string& name)
{
    return lower(name.substr(0, name.find('.')));
}

std::vector<texture_use> texture_uses(const std::string& rwx)
{
    std::vector<texture_use> uses;
    std::istringstream lines(rwx);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::vector<std::string> t{std::istream_iterator<std::string>(words), {}};
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            std::string w = lower(t[i]);
            if ((w != "texture" && w != "textureext") || lower(t[i + 1]) == "null")
                continue;
            texture_use use{cut_at_point(t[i + 1]), {}};
            if (i + 3 < t.size() && lower(t[i + 2]) == "mask")
                use.mask = cut_at_point(t[i + 3]);
            uses.push_back(use);
        }
    }
    return uses;
}

struct size2 {
    int width = 0;
    int height = 0;
    bool operator==(const size2&) const = default;
};

// Width and height from a JPEG's frame header; zero when there is none.
size2 jpeg_size(const std::string& jpeg)
{
    auto byte = [&](size_t i) { return static_cast<uint8_t>(jpeg[i]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return {};
    size_t at = 2;
    while (at + 9 < jpeg.size() && byte(at) == 0xFF) {
        uint8_t marker = byte(at + 1);
        size_t length = (byte(at + 2) << 8) | byte(at + 3);
        if (marker == 0xC0 || marker == 0xC2)
            return {(byte(at + 7) << 8) | byte(at + 8), (byte(at + 5) << 8) | byte(at + 6)};
        at += 2 + length;
    }
    return {};
}

uint32_t le32(const std::string& s, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

struct tag_count {
    int tag;
    int quads;
};

int count_tagged_quads(rw_clump* clump, void* user)
{
    auto* count = static_cast<tag_count*>(user);
    for (int p = 0; p < rw_clump_polygon_count(clump); ++p) {
        const uint32_t* indices = nullptr;
        if (rw_clump_polygon_tag(clump, p) == count->tag &&
            rw_clump_polygon(clump, p, &indices) == 4)
            ++count->quads;
    }
    return 0;
}

int tagged_quads(rw_clump* model, int tag)
{
    tag_count count{tag, 0};
    rw_clump_for_all(model, count_tagged_quads, &count);
    return count.quads;
}

int add_polygons(rw_clump* clump, void* user)
{
    *static_cast<int*>(user) += rw_clump_polygon_count(clump);
    return 0;
}

int polygon_total(rw_clump* model)
{
    int total = 0;
    rw_clump_for_all(model, add_polygons, &total);
    return total;
}

// One object of a seed file: x, y, z, yaw, owner, model, description,
// action, separated by tabs.
struct seed_object {
    double x = 0, y = 0, z = 0, yaw = 0;
    std::string model, description, action;
};

// The objects of a seed file; a line that does not parse fails the test.
std::vector<seed_object> read_seed(const fs::path& path)
{
    std::vector<seed_object> objects;
    std::istringstream lines(read_file(path));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');)
            fields.push_back(field);
        seed_object o;
        bool ok = fields.size() >= 6 && fields.size() <= 8;
        try {
            if (ok) {
                o.x = std::stod(fields[0]);
                o.y = std::stod(fields[1]);
                o.z = std::stod(fields[2]);
                o.yaw = std::stod(fields[3]);
                ok = std::stoul(fields[4]) > 0;
            }
        } catch (const std::exception&) {
            ok = false;
        }
        EXPECT_TRUE(ok) << path << " line " << number << ": " << line;
        if (!ok)
            continue;
        o.model = fields[5];
        o.description = fields.size() > 6 ? fields[6] : "";
        o.action = fields.size() > 7 ? fields[7] : "";
        objects.push_back(o);
    }
    return objects;
}

std::vector<std::string> words_of(const std::string& text)
{
    std::string spaced = text;
    std::replace_if(spaced.begin(), spaced.end(), [](char c) { return c == ',' || c == ';'; }, ' ');
    std::istringstream in(spaced);
    return {std::istream_iterator<std::string>(in), {}};
}

class content : public ::testing::Test {
protected:
    void TearDown() override { world_set_object_password(""); }
};

}  // namespace

TEST_F(content, every_model_opens_reads_and_stands_on_the_ground)
{
    for (const char* world : worlds) {
        std::vector<fs::path> archives = files_of(built / world / "models", ".zip");
        ASSERT_GE(archives.size(), 12u) << world;
        for (const fs::path& archive : archives) {
            std::string text = open_archive(world, archive);
            rw_clump* model = rw_rwx_read(text.data(), text.size());
            ASSERT_NE(model, nullptr) << archive;
            EXPECT_GT(polygon_total(model), 0) << archive;
            glm::vec3 low, high;
            ASSERT_EQ(rw_clump_bbox(model, 1, &low, &high), 1) << archive;
            EXPECT_NEAR(low.y, 0.0f, 0.001f) << archive << ": the model's base is not at y = 0";
            if (archive.stem() == "ground") {
                EXPECT_GE(high.x - low.x, 20.0f) << "the ground must reach past the cells around";
            }
            rw_clump_destroy(model);
        }
    }
}

TEST_F(content, signs_pictures_and_lamps_have_their_tagged_faces)
{
    const std::map<std::string, std::pair<int, int>> tagged = {
        {"sign", {100, 2}}, {"picture", {200, 1}}, {"lamp", {1, 1}}};
    for (const auto& [name, tag] : tagged) {
        std::string text = open_archive("qo", built / "qo" / "models" / (name + ".zip"));
        rw_clump* model = rw_rwx_read(text.data(), text.size());
        ASSERT_NE(model, nullptr) << name;
        EXPECT_EQ(tagged_quads(model, tag.first), tag.second) << name;
        rw_clump_destroy(model);
    }
}

TEST_F(content, every_texture_and_mask_a_model_names_is_published_at_its_size)
{
    for (const char* world : worlds) {
        const fs::path textures = built / world / "textures";
        std::vector<fs::path> models = files_of(built / world / "models", ".zip");
        for (const fs::path& avatar : files_of(built / world / "avatars", ".zip")) {
            if (avatar.stem() != "avatars")
                models.push_back(avatar);
        }
        std::set<std::string> masks_used;
        for (const fs::path& archive : models) {
            for (const texture_use& use : texture_uses(open_archive(world, archive))) {
                size2 size = jpeg_size(read_file(textures / (use.texture + ".jpg")));
                ASSERT_GT(size.width, 0) << archive << " names the texture " << use.texture;
                if (use.mask.empty())
                    continue;
                masks_used.insert(use.mask);
                std::string bmp = open_archive(world, textures / (use.mask + ".zip"));
                ASSERT_GE(bmp.size(), 54u) << use.mask;
                EXPECT_EQ(bmp.substr(0, 2), "BM") << use.mask;
                EXPECT_EQ((size2{static_cast<int>(le32(bmp, 18)), static_cast<int>(le32(bmp, 22))}),
                          size)
                    << "the mask " << use.mask << " and the texture " << use.texture
                    << " differ in size";
            }
        }
        for (const fs::path& mask : files_of(textures, ".zip"))
            EXPECT_TRUE(masks_used.count(mask.stem().string())) << mask << " is used by no model";
    }
}

TEST_F(content, the_backdrop_and_the_animated_fire_are_jpegs_of_their_shape)
{
    size2 sky = jpeg_size(read_file(built / "qo" / "textures" / "sky.jpg"));
    EXPECT_GT(sky.width, sky.height) << "a panorama is wider than high";
    size2 fire = jpeg_size(read_file(built / "qo" / "textures" / "fire.jpg"));
    ASSERT_GT(fire.width, 0);
    EXPECT_EQ(fire.height % fire.width, 0) << "an animated texture is a stack of square frames";
    EXPECT_GT(fire.height / fire.width, 1);
}

TEST_F(content, the_vault_of_qo_needs_the_object_password)
{
    const fs::path vault = built / "qo" / "models" / "vault.zip";
    int code = -1;
    world_set_object_password("");
    extract(vault, &code);
    EXPECT_EQ(code, 4);
    world_set_object_password("greenwooc");
    extract(vault, &code);
    EXPECT_EQ(code, 4);
    world_set_object_password(VIREO_QO_OBJECT_PASSWORD);
    std::string text = extract(vault, &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(text.find("ModelBegin"), std::string::npos);

    // Only the vault is encrypted: the rest of qo, and gate's own vault,
    // open without any password.
    world_set_object_password("");
    extract(built / "gate" / "models" / "vault.zip", &code);
    EXPECT_EQ(code, 0);
    for (const fs::path& archive : files_of(built / "qo" / "models", ".zip")) {
        if (archive.stem() != "vault") {
            extract(archive, &code);
            EXPECT_EQ(code, 0) << archive;
        }
    }
}

TEST_F(content, every_seed_object_names_what_the_world_publishes)
{
    for (const char* world : worlds) {
        const fs::path out = built / world;
        std::vector<seed_object> objects = read_seed(out / "seed.objects");
        ASSERT_GE(objects.size(), 10u) << world;
        for (const seed_object& o : objects) {
            std::string context = std::string(world) + ": " + o.model + " \"" + o.action + "\"";
            fs::path model(o.model);
            EXPECT_EQ(model.extension(), ".rwx") << context;
            EXPECT_TRUE(fs::exists(out / "models" / (model.stem().string() + ".zip"))) << context;
            EXPECT_LE(o.action.size(), 255u) << context;
            EXPECT_LE(o.description.size(), 255u) << context;
            EXPECT_LT(std::max(std::abs(o.x), std::abs(o.z)), 32764.0) << context;
            EXPECT_LE(std::abs(o.y), 32.767) << context;

            // Sounds, pictures and animation pictures named by the action.
            std::vector<std::string> w = words_of(o.action);
            for (size_t i = 0; i + 1 < w.size(); ++i) {
                std::string command = lower(w[i]);
                if (command == "sound" || command == "noise") {
                    fs::path sound(w[i + 1]);
                    EXPECT_TRUE(fs::exists(out / "sounds" / (sound.stem().string() + ".zip")))
                        << context;
                } else if (command == "picture" && w[i + 1].find('/') == std::string::npos) {
                    EXPECT_TRUE(fs::exists(out / "textures" / w[i + 1])) << context;
                } else if (command == "animate") {
                    size_t at = i + 1;
                    while (at < w.size() && (lower(w[at]).starts_with("tag=") ||
                                             lower(w[at]) == "nomask"))
                        ++at;
                    ASSERT_LT(at + 2, w.size()) << context;
                    int pictures = std::stoi(w[at + 2]);
                    for (int p = 1; p <= pictures; ++p) {
                        std::string name = w[at + 1] + std::to_string(p) + ".jpg";
                        EXPECT_TRUE(fs::exists(out / "textures" / name)) << context << " " << name;
                    }
                }
            }
        }
    }
}

TEST_F(content, every_world_has_its_ground_backdrop_avatars_and_motion_sounds)
{
    for (const char* world : worlds) {
        const fs::path out = built / world;
        EXPECT_TRUE(fs::exists(out / "models" / "ground.zip")) << world;
        EXPECT_TRUE(fs::exists(out / "textures" / "sky.jpg")) << world;
        EXPECT_TRUE(fs::is_directory(out / "seqs")) << world;
        for (const char* sound : {"deport1", "warp1"})
            EXPECT_TRUE(fs::exists(out / "sounds" / (std::string(sound) + ".zip"))) << sound;

        std::string registry = open_archive(world, out / "avatars" / "avatars.zip");
        EXPECT_TRUE(registry.starts_with("# animation registry version 0.3\n")) << world;
        std::vector<std::string> w = words_of(registry.substr(registry.find('\n') + 1));
        const std::vector<std::string> expected = {"version", "3", "avatar", "name", "=", "cy",
                                                   "geometry", "=", "cy.rwx", "endavatar"};
        EXPECT_EQ(w, expected) << world;

        std::string figure = open_archive(world, out / "avatars" / "cy.zip");
        rw_clump* cy = rw_rwx_read(figure.data(), figure.size());
        ASSERT_NE(cy, nullptr) << world;
        for (int joint : {1, 2, 3, 4, 6, 7, 11, 12, 15, 16, 19, 20})
            EXPECT_NE(rw_clump_find_tag(cy, joint), nullptr) << "joint " << joint;
        glm::vec3 low, high;
        rw_clump_bbox(cy, 1, &low, &high);
        EXPECT_NEAR(high.y - low.y, 0.18f, 0.02f) << "a figure about 1.8 m tall";
        rw_clump_destroy(cy);
    }
}

TEST_F(content, sounds_are_wav_or_midi_files)
{
    for (const fs::path& archive : files_of(built / "qo" / "sounds", ".zip")) {
        std::string sound = open_archive("qo", archive);
        ASSERT_GE(sound.size(), 44u) << archive;
        bool wav = sound.starts_with("RIFF") && sound.substr(8, 4) == "WAVE" &&
                   le32(sound, 4) + 8 == sound.size();
        bool midi = sound.starts_with("MThd");
        EXPECT_TRUE(wav || midi) << archive;
    }
}

TEST_F(content, help_entries_have_pages_and_teleport_links_are_well_formed)
{
    const fs::path help = built / "help";
    std::istringstream index(read_file(help / "help.dat"));
    std::string line;
    int entries = 0;
    const std::regex entry("^\\s*\"[^\"]+\"\\s+(\\S+)\\s*$");
    while (std::getline(index, line)) {
        std::smatch m;
        if (std::regex_match(line, m, entry)) {
            ++entries;
            EXPECT_TRUE(fs::exists(help / m[1].str())) << line;
        }
    }
    EXPECT_GE(entries, 5);
    EXPECT_TRUE(fs::exists(help / "integrated.html"));

    const std::regex href("href=\"([^\"]*)\"");
    const std::regex teleport(
        "^http://[a-z0-9.:-]+/cgi-bin/teleport\\?(qo|gate)_[0-9]+(\\.[0-9]+)?[NS]_"
        "[0-9]+(\\.[0-9]+)?[WE](_[0-9]+(\\.[0-9]+)?a(_[0-9]+)?)?$");
    int links = 0;
    for (const fs::path& page : files_of(help, ".html")) {
        std::string html = read_file(page);
        for (std::sregex_iterator i(html.begin(), html.end(), href), end; i != end; ++i) {
            std::string target = (*i)[1].str();
            if (target.find("teleport?") != std::string::npos) {
                ++links;
                EXPECT_TRUE(std::regex_match(target, teleport)) << page << ": " << target;
            } else if (target.find(':') == std::string::npos) {
                EXPECT_TRUE(fs::exists(help / target)) << page << ": " << target;
            }
        }
    }
    EXPECT_GE(links, 5);
}
