#include "render/texture.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>

#include "render/change.h"
#include "render/gl.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/texture_internal.h"

struct rw_texture {
    std::string name;
    rw_raster* raster = nullptr;
    int references = 1;
    int masked = 0;
    unsigned version = 0;
    int frame_count = 1;
    int frame = 0;
    GLuint gl = 0;
    unsigned uploaded = 0;
};

namespace {

// Live textures by key. A texture made under a name already taken replaces
// the older one here; the older one lives on for those that hold it.
std::unordered_map<std::string, rw_texture*> dictionary;

std::string key_of(const char* name)
{
    std::string key;
    for (const char* p = name; *p && *p != '.'; ++p)
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return key;
}

void count_frames(rw_texture* t)
{
    int w = rw_raster_width(t->raster);
    int h = rw_raster_height(t->raster);
    t->frame_count = (w > 0 && h > w && h % w == 0) ? h / w : 1;
    if (t->frame >= t->frame_count)
        t->frame = 0;
}

}  // namespace

rw_texture* rw_texture_create(const char* name, rw_raster* raster)
{
    if (!name || !raster) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    auto* t = new rw_texture;
    t->name = key_of(name);
    t->raster = raster;
    count_frames(t);
    dictionary[t->name] = t;
    return t;
}

rw_texture* rw_texture_read_named(const char* name)
{
    if (!name || !*name) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    if (rw_texture* t = rw_texture_find(name)) {
        ++t->references;
        return t;
    }
    std::string key = key_of(name);
    rw_raster* raster = rw_raster_read(key.c_str());
    if (!raster)
        return nullptr;
    return rw_texture_create(key.c_str(), raster);
}

rw_texture* rw_texture_find(const char* name)
{
    if (!name)
        return nullptr;
    auto it = dictionary.find(key_of(name));
    return it == dictionary.end() ? nullptr : it->second;
}

void rw_texture_add_reference(rw_texture* texture)
{
    if (texture)
        ++texture->references;
}

void rw_texture_destroy(rw_texture* texture)
{
    if (!texture || --texture->references > 0)
        return;
    auto it = dictionary.find(texture->name);
    if (it != dictionary.end() && it->second == texture)
        dictionary.erase(it);
    rw_raster_destroy(texture->raster);
    rw_gl_forget(rw_gl_texture, texture->gl);
    delete texture;
}

const char* rw_texture_name(const rw_texture* texture)
{
    return texture->name.c_str();
}

const rw_raster* rw_texture_raster(const rw_texture* texture)
{
    return texture->raster;
}

int rw_texture_set_raster(rw_texture* texture, rw_raster* raster)
{
    if (!texture || !raster) {
        rw_set_error(rw_error_argument);
        return 1;
    }
    rw_raster_destroy(texture->raster);
    texture->raster = raster;
    texture->masked = 0;
    ++texture->version;
    count_frames(texture);
    rw_note_change();
    return 0;
}

int rw_texture_mask(rw_texture* texture, const rw_raster* mask)
{
    if (!texture || !mask) {
        rw_set_error(rw_error_argument);
        return 1;
    }
    rw_raster_apply_mask(texture->raster, mask);
    texture->masked = 1;
    ++texture->version;
    rw_note_change();
    return 0;
}

void rw_texture_set_masked(rw_texture* texture, int masked)
{
    texture->masked = masked ? 1 : 0;
}

int rw_texture_masked(const rw_texture* texture)
{
    return texture->masked;
}

unsigned rw_texture_version(const rw_texture* texture)
{
    return texture->version;
}

int rw_texture_frame_count(const rw_texture* texture)
{
    return texture->frame_count;
}

int rw_texture_frame(const rw_texture* texture)
{
    return texture->frame;
}

void rw_textures_advance()
{
    for (auto& [key, t] : dictionary) {
        if (t->frame_count > 1) {
            t->frame = (t->frame + 1) % t->frame_count;
            rw_note_change();
        }
    }
}

unsigned rw_texture_gl(rw_texture* texture)
{
    if (texture->gl && texture->uploaded == texture->version)
        return texture->gl;
    if (!texture->gl)
        glGenTextures(1, &texture->gl);
    glBindTexture(GL_TEXTURE_2D, texture->gl);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Rows go up top row first, so that v = 0 is the image's top edge.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rw_raster_width(texture->raster),
                 rw_raster_height(texture->raster), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rw_raster_pixels(texture->raster));
    glGenerateMipmap(GL_TEXTURE_2D);
    texture->uploaded = texture->version;
    return texture->gl;
}

void rw_texture_dictionary_clear()
{
    dictionary.clear();
}
