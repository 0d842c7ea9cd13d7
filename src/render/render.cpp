#include "render/render.h"

#include <dirent.h>
#include <unistd.h>
#include <strings.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "render/change.h"
#include "render/gl.h"
#include "render/texture_internal.h"

namespace {

struct library_state {
    std::string debug_prefix;
    std::string texture_folder;
    std::string found_path;
    int error = rw_error_none;
};

library_state state;
unsigned changes = 0;

}  // namespace

unsigned rw_changes()
{
    return changes;
}

void rw_note_change()
{
    ++changes;
}

int rw_open(const char* debug_prefix)
{
    state.debug_prefix = debug_prefix ? debug_prefix : "";
    state.error = rw_error_none;
    return rw_gl_open();
}

void rw_close()
{
    rw_gl_close();
    rw_texture_dictionary_clear();
    state = library_state{};
}

void rw_debug(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "%s%s\n", state.debug_prefix.c_str(), text);
}

int rw_error()
{
    return state.error;
}

void rw_set_error(int code)
{
    state.error = code;
}

void rw_set_texture_folder(const char* folder)
{
    state.texture_folder = folder ? folder : "";
}

const char* rw_texture_folder_path(const char* name, const char* extension)
{
    state.found_path.clear();
    if (!name || !*name || state.texture_folder.empty())
        return "";
    std::string wanted = std::string(name) + "." + extension;
    if (wanted.find('/') != std::string::npos)
        return "";
    // The exact name and the lower-case name are the usual spellings; only
    // when neither exists is the folder searched for another case.
    std::string lower = wanted;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& candidate : {wanted, lower}) {
        std::string path = state.texture_folder + "/" + candidate;
        if (access(path.c_str(), R_OK) == 0) {
            state.found_path = path;
            return state.found_path.c_str();
        }
    }
    DIR* dir = opendir(state.texture_folder.c_str());
    if (!dir)
        return "";
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(wanted.c_str(), entry->d_name) == 0) {
            state.found_path = state.texture_folder + "/" + entry->d_name;
            break;
        }
    }
    closedir(dir);
    return state.found_path.c_str();
}
