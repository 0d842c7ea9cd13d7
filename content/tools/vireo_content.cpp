// vireo-content: writes a world's art as the object server publishes it.
//
//   vireo-content --source DIR --out DIR [--password TEXT] [--encrypt MODEL]...
//
// From the source folder it packs every models/*.rwx and avatars/*.rwx
// into its own zip archive and avatars/avatars.dat into avatars.zip; it
// generates the textures (JPEG), the masks (BMP in zip archives) and the
// sounds (WAV and MIDI in zip archives). The models named by --encrypt are
// encrypted with the password. Output: OUT/{models,textures,avatars,seqs,
// sounds}. Exit code 0 on success, 1 on a usage error, 2 on a failure to
// read or write.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "audio.h"
#include "image.h"
#include "textures.h"
#include "zip_write.h"

namespace fs = std::filesystem;

namespace {

struct options {
    fs::path source;
    fs::path out;
    std::string password;
    std::set<std::string> encrypt;
};

bool parse_options(int argc, char** argv, options* o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--source")
            o->source = argv[i + 1];
        else if (key == "--out")
            o->out = argv[i + 1];
        else if (key == "--password")
            o->password = argv[i + 1];
        else if (key == "--encrypt")
            o->encrypt.insert(argv[i + 1]);
        else
            return false;
    }
    if (argc % 2 == 0 || o->source.empty() || o->out.empty())
        return false;
    return o->encrypt.empty() || !o->password.empty();
}

bool read_file(const fs::path& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file(const fs::path& path, const std::string& bytes)
{
    if (bytes.empty()) {
        std::fprintf(stderr, "vireo-content: nothing to write for %s\n", path.c_str());
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "vireo-content: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Packs each file of `folder` ending in `extension` into "<stem>.zip".
bool pack_folder(const fs::path& folder, const char* extension, const fs::path& out,
                 const options& o)
{
    std::error_code error;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "vireo-content: cannot list %s\n", folder.c_str());
        return false;
    }
    for (const fs::path& file : files) {
        std::string text;
        if (!read_file(file, &text)) {
            std::fprintf(stderr, "vireo-content: cannot read %s\n", file.c_str());
            return false;
        }
        std::string stem = file.stem().string();
        std::string password = o.encrypt.count(stem) ? o.password : std::string();
        if (!write_file(out / (stem + ".zip"),
                        zip_write(file.filename().string(), text, password)))
            return false;
    }
    return true;
}

bool write_textures(const fs::path& folder)
{
    for (const texture_art& t : textures_make()) {
        if (!write_file(folder / (t.name + ".jpg"), image_jpeg(t.picture, 85)))
            return false;
    }
    for (const mask_art& m : textures_masks()) {
        std::string bmp = image_grey_bmp(m.width, m.height, m.grey);
        if (!write_file(folder / (m.name + ".zip"), zip_write(m.name + ".bmp", bmp)))
            return false;
    }
    return true;
}

bool write_sounds(const fs::path& folder)
{
    for (const sound_art& s : audio_make()) {
        std::string stem = fs::path(s.name).stem().string();
        if (!write_file(folder / (stem + ".zip"), zip_write(s.name, s.bytes)))
            return false;
    }
    return true;
}

bool write_avatars(const options& o, const fs::path& folder)
{
    std::string registry;
    if (!read_file(o.source / "avatars" / "avatars.dat", &registry)) {
        std::fprintf(stderr, "vireo-content: cannot read the avatar registry\n");
        return false;
    }
    return write_file(folder / "avatars.zip", zip_write("avatars.dat", registry)) &&
           pack_folder(o.source / "avatars", ".rwx", folder, o);
}

}  // namespace

int main(int argc, char** argv)
{
    options o;
    if (!parse_options(argc, argv, &o)) {
        std::fprintf(stderr, "usage: vireo-content --source DIR --out DIR "
                             "[--password TEXT] [--encrypt MODEL]...\n");
        return 1;
    }
    for (const char* folder : {"models", "textures", "avatars", "seqs", "sounds"}) {
        std::error_code error;
        fs::create_directories(o.out / folder, error);
        if (error) {
            std::fprintf(stderr, "vireo-content: cannot create %s\n", (o.out / folder).c_str());
            return 2;
        }
    }
    bool ok = pack_folder(o.source / "models", ".rwx", o.out / "models", o) &&
              write_textures(o.out / "textures") && write_avatars(o, o.out / "avatars") &&
              write_sounds(o.out / "sounds");
    return ok ? 0 : 2;
}
