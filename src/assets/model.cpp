#include "assets/model.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assets/chunk.h"
#include "assets/download.h"
#include "assets/scene.h"
#include "assets/texture.h"
#include "assets/unzip.h"
#include "base/file.h"
#include "base/hash.h"
#include "base/log.h"
#include "base/text.h"
#include "render/clump.h"
#include "render/rwx.h"
#include "render/scene.h"

namespace {

enum model_kind { kind_object = 0, kind_axis_aligned = 1, kind_avatar = 2 };

constexpr int model_buckets = 401;
constexpr size_t key_name_length = 20;
constexpr int model_priority = 1;
constexpr float unknown = 1e10f;
constexpr size_t line_length = 256;

struct model_record;

}  // namespace

struct model_instance {
    rw_clump* clump = nullptr;
    rw_clump* new_clump = nullptr;
    int look = model_look_placeholder;
    int new_look = model_look_placeholder;
    rw_scene* scene = nullptr;
    model_record* model = nullptr;
    bool selected = false;
    bool hidden = false;  // kept out of its scene whatever clump it shows
};

namespace {

struct model_record {
    int kind = kind_object;
    int format = 0;                 // 1: VRML
    std::string folder;
    std::string name;               // as given, without its extension
    std::string key;                // lower case, at most 20 characters
    std::vector<model_instance*> instances;  // newest first
    download_request* download = nullptr;
    bool loaded = false;
    bool downloaded = false;        // the zip arrived in this session
    bool textures_listed = false;
    bool file_on_disk = false;      // the model's bytes are at hand (file or held)
    bool in_store = false;
    bool held = false;              // the bytes are held in memory
    bool encrypted = false;         // from an encrypted zip: held only, never on disk
    std::vector<uint8_t> held_bytes;
    glm::vec3 minimum{0.0f}, maximum{0.0f};
    float height = unknown, base = unknown, top = unknown;
    std::vector<uint8_t> description;
    int pending = 0;
    std::vector<texture_entry*> textures;  // newest first
    // The clumps read from the store once, which instances copy: copies
    // share the geometry, so loading a cell of many objects reads each model
    // once and draws them together.
    rw_clump* full = nullptr;
    rw_clump* flat = nullptr;
};

struct model_state {
    hash_table* table = nullptr;
    rw_clump* placeholder = nullptr;
    glm::vec3 placeholder_min{0.0f}, placeholder_max{0.0f};
    bool changed = false;
    bool keep_files = false;
};

model_state state;

void trace(const char* text)
{
    if (log_texture())
        log_write("%s", text);
}

std::string flat_folder(const model_record* m)
{
    return m->folder + "flat";
}

std::string model_file(const model_record* m)
{
    return std::string(download_cache_path()) + "/" + m->folder + "/" + m->name +
           (m->format ? ".wrl" : ".rwx");
}

// The model's text: the held bytes, or the file's.
bool model_bytes(const model_record* m, std::string* text)
{
    if (m->held) {
        text->assign(m->held_bytes.begin(), m->held_bytes.end());
        return true;
    }
    uint8_t* bytes = nullptr;
    size_t length = 0;
    if (file_read(model_file(m).c_str(), &bytes, &length) != 0)
        return false;
    text->assign(reinterpret_cast<char*>(bytes), length);
    std::free(bytes);
    return true;
}

// The file's lines as the converter reads them: at most 256 bytes each.
template <typename F>
void for_each_line(const std::string& text, F visit)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        for (size_t piece = at; piece < end; piece += line_length - 1)
            visit(std::string_view(text).substr(piece, std::min(line_length - 1, end - piece)));
        at = end + 1;
    }
}

std::vector<std::string> tokens_of(std::string_view line)
{
    std::vector<std::string> tokens;
    size_t at = 0;
    while (at < line.size()) {
        size_t start = line.find_first_not_of(" \t\r\f\v", at);
        if (start == std::string_view::npos)
            break;
        size_t end = line.find_first_of(" \t\r\f\v", start);
        if (end == std::string_view::npos)
            end = line.size();
        tokens.push_back(text_lower(line.substr(start, end - start)));
        at = end;
    }
    return tokens;
}

bool is_texture_command(const std::string& token)
{
    return token == "texture" || token == "textureext";
}

std::string cut_at_dot(const std::string& name)
{
    return name.substr(0, name.find('.'));
}

void add_name(std::vector<uint8_t>* description, const std::string& name)
{
    size_t n = std::min<size_t>(name.size(), 255);
    description->push_back(static_cast<uint8_t>(n));
    description->insert(description->end(), name.begin(), name.begin() + static_cast<long>(n));
}

// Reads the textures and masks the model names, and whether it is aligned
// with the view.
void model_parse(model_record* m)
{
    std::string text;
    if (m->format || !model_bytes(m, &text))
        return;
    int kind = m->kind;
    std::vector<uint8_t> entries;
    for_each_line(text, [&](std::string_view line) {
        std::vector<std::string> t = tokens_of(line);
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == "axisalignment" && i + 1 < t.size() &&
                (t[i + 1] == "zorienty" || t[i + 1] == "zorientx"))
                kind = kind_axis_aligned;
            if (is_texture_command(t[i]) && i + 1 < t.size() && t[i + 1] != "null") {
                std::string name = cut_at_dot(t[i + 1]);
                if (name.empty())
                    continue;
                add_name(&entries, name);
                if (i + 3 < t.size() && t[i + 2] == "mask" && !cut_at_dot(t[i + 3]).empty()) {
                    entries.push_back(0);
                    add_name(&entries, cut_at_dot(t[i + 3]));
                }
            }
        }
    });
    m->description.assign(1, static_cast<uint8_t>(kind));
    m->description.insert(m->description.end(), entries.begin(), entries.end());
}

// The model's text as the rendering library reads it: without masks (the
// texture registry applies them), or without any texture for the flat
// version.
std::string rewrite(const std::string& text, bool flat)
{
    std::string out;
    out.reserve(text.size());
    for_each_line(text, [&](std::string_view line) {
        std::vector<std::string> t = tokens_of(line);
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            if (!is_texture_command(t[i]) || t[i + 1] == "null")
                continue;
            if (flat)
                return;
            if (i + 3 < t.size() && t[i + 2] == "mask") {
                // Keep the line up to the end of the texture's name.
                std::string lowered = text_lower(line);
                size_t at = lowered.find(t[i]);
                at = lowered.find(t[i + 1], at + t[i].size());
                out.append(line.substr(0, at + t[i + 1].size()));
                out.push_back('\n');
                return;
            }
        }
        out.append(line);
        out.push_back('\n');
    });
    return out;
}

rw_clump* read_clump(const model_record* m, bool flat)
{
    std::string text;
    if (m->format || !model_bytes(m, &text))
        return nullptr;
    std::string rewritten = rewrite(text, flat);
    return rw_rwx_read(rewritten.data(), rewritten.size());
}

// The clump is read: a plain model's bytes leave memory and stay only in
// the file the keep option keeps; an encrypted model's stay held, as they
// are its only copy. No file of an encrypted model, nor one the option
// does not keep, stays in the cache.
void release_bytes(model_record* m)
{
    if (m->encrypted || !state.keep_files)
        file_delete(model_file(m).c_str());
    if (m->encrypted)
        return;
    m->held = false;
    m->held_bytes = std::vector<uint8_t>();
    m->file_on_disk = state.keep_files && file_exists(model_file(m).c_str());
}

// The store's records of the model changed: later instances read them anew.
void drop_prototypes(model_record* m)
{
    rw_clump_destroy(m->full);
    rw_clump_destroy(m->flat);
    m->full = nullptr;
    m->flat = nullptr;
}

// A copy of the model's full or flat clump from the store; none when the
// store has no such record.
rw_clump* stored_copy(model_record* m, bool flat)
{
    rw_clump*& prototype = flat ? m->flat : m->full;
    if (!prototype)
        prototype = chunk_load(m->key.c_str(), flat ? flat_folder(m).c_str() : m->folder.c_str());
    return prototype ? rw_clump_duplicate(prototype) : nullptr;
}

void create_chunk(model_record* m)
{
    if (log_texture())
        log_write("create_chunk (%s)", m->name.c_str());
    // The textures stay live while the clump is read, so it finds them.
    for (texture_entry* t : m->textures)
        texture_reference(t);
    rw_clump* clump = read_clump(m, false);
    release_bytes(m);
    drop_prototypes(m);
    if (clump)
        m->in_store = chunk_create(clump, m->description.data(), m->description.size(),
                                   m->key.c_str(), m->folder.c_str()) == chunk_stored;
    for (texture_entry* t : m->textures)
        texture_dereference(t);
}

void create_flat_chunk(model_record* m)
{
    std::string folder = flat_folder(m);
    if (!m->downloaded && chunk_exists(m->key.c_str(), folder.c_str()))
        return;
    drop_prototypes(m);
    if (rw_clump* clump = read_clump(m, true))
        chunk_create(clump, m->description.data(), m->description.size(), m->key.c_str(),
                     folder.c_str());
}

void measure(model_record* m, rw_clump* clump)
{
    glm::vec3 minimum, maximum;
    if (!clump || !rw_clump_bbox(clump, 1, &minimum, &maximum))
        return;
    m->minimum = minimum;
    m->maximum = maximum;
    m->base = minimum.y;
    m->top = maximum.y;
    m->height = m->top - m->base;
}

void apply_style(model_instance* instance)
{
    if (!instance->clump)
        return;
    int style = instance->selected ? rw_style_selected : rw_style_normal;
    rw_clump_for_all(
        instance->clump,
        [](rw_clump* c, void* user) {
            rw_clump_set_render_style(c, *static_cast<int*>(user));
            return 0;
        },
        &style);
}

// Puts the instance's new clump in place of the old one, where the old one
// stood.
void reload_model(model_instance* instance)
{
    trace("reload_model");
    if (!instance->new_clump)
        return;
    model_record* m = instance->model;
    if (instance->clump) {
        trace("RwGetClumpMatrix");
        glm::mat4 place = rw_clump_matrix(instance->clump);
        trace("RwTransformClump");
        rw_clump_set_matrix(instance->new_clump, place);
        if (rw_scene* scene = rw_clump_scene(instance->clump)) {
            trace("RwRemoveClumpFromScene");
            rw_scene_remove_clump(scene, instance->clump);
        }
        trace("RwDestroyClump");
        rw_clump_destroy(instance->clump);
    }
    instance->clump = instance->new_clump;
    instance->look = instance->new_look;
    instance->new_clump = nullptr;
    if (m->height >= unknown)
        measure(m, instance->clump);
    if (!instance->scene)
        instance->scene = scene_get();
    apply_style(instance);
    if (instance->scene && !instance->hidden) {
        if (log_texture())
            log_write("RwAddClumpToScene (%p, %p)", static_cast<void*>(instance->scene),
                      static_cast<void*>(instance->clump));
        rw_scene_add_clump(instance->scene, instance->clump);
    }
    trace("reload_model complete");
}

// Takes the instance's clumps out of their scene and destroys them.
void destroy_clumps(model_instance* instance)
{
    if (instance->clump) {
        if (rw_scene* scene = rw_clump_scene(instance->clump))
            rw_scene_remove_clump(scene, instance->clump);
        rw_clump_destroy(instance->clump);
        instance->clump = nullptr;
    }
    if (instance->new_clump) {
        rw_clump_destroy(instance->new_clump);
        instance->new_clump = nullptr;
    }
}

rw_clump* placeholder_copy()
{
    return state.placeholder ? rw_clump_duplicate(state.placeholder) : nullptr;
}

void update_model(model_instance* instance)
{
    trace("update_model");
    model_record* m = instance->model;
    if (instance->new_clump) {
        rw_clump_destroy(instance->new_clump);
        instance->new_clump = nullptr;
    }
    rw_clump* clump = nullptr;
    int look = model_look_placeholder;
    if (m->loaded && m->pending == 0 && m->in_store) {
        clump = stored_copy(m, false);
        look = model_look_full;
        m->height = m->base = m->top = unknown;
    } else if (m->loaded && m->pending > 0 && m->kind != kind_axis_aligned) {
        clump = stored_copy(m, true);
        look = model_look_flat;
    }
    if (!clump) {
        clump = placeholder_copy();
        look = model_look_placeholder;
    }
    instance->new_clump = clump;
    instance->new_look = look;
    if (m->kind == kind_avatar) {
        reload_model(instance);
    } else if (!instance->clump) {
        // Nothing shown yet: the clump is taken at once, and the next flush
        // puts it into the world scene unless it has a scene of its own.
        instance->clump = clump;
        instance->look = look;
        instance->new_clump = nullptr;
        apply_style(instance);
        if (instance->scene && clump && !instance->hidden)
            rw_scene_add_clump(instance->scene, clump);
        state.changed = true;
    } else {
        state.changed = true;
    }
}

void update_models(model_record* m)
{
    trace("update_models");
    for (model_instance* instance : m->instances)
        update_model(instance);
}

void texture_arrived(void* user, int /*result*/)
{
    auto* m = static_cast<model_record*>(user);
    trace("model: texture_callback");
    if (m->pending > 0 && --m->pending > 0)
        return;
    if (!m->in_store && m->file_on_disk)
        create_chunk(m);
    if (m->kind != kind_axis_aligned) {
        chunk_delete(m->key.c_str(), flat_folder(m).c_str());
        rw_clump_destroy(m->flat);
        m->flat = nullptr;
    }
    update_models(m);
}

void release_textures(model_record* m)
{
    for (texture_entry* t : m->textures) {
        for (size_t i = 0; i < m->instances.size(); ++i)
            texture_dereference(t);
    }
    m->textures.clear();
    m->pending = 0;
}

void model_load(model_record* m)
{
    if (!m->file_on_disk) {
        uint8_t* header = nullptr;
        size_t length = 0;
        if (!chunk_header(m->key.c_str(), m->folder.c_str(), &header, &length))
            return;
        m->description.assign(header, header + length);
        std::free(header);
    } else {
        model_parse(m);
    }
    const std::vector<uint8_t>& d = m->description;
    if (!d.empty())
        m->kind = d[0];
    // Entries: a length and a texture name, each perhaps followed by a zero,
    // a length and a mask name.
    texture_entry* last = nullptr;
    size_t at = 1;
    while (at < d.size()) {
        bool mask = d[at] == 0;
        if (mask)
            ++at;
        if (at >= d.size() || d[at] == 0 || at + 1 + d[at] > d.size())
            break;
        std::string name(reinterpret_cast<const char*>(&d[at + 1]), d[at]);
        at += 1 + d[at];
        if (mask) {
            texture_set_mask(last, name.c_str());
            continue;
        }
        last = texture_download(name.c_str(), texture_arrived, m);
        if (!last)
            continue;
        m->textures.insert(m->textures.begin(), last);
        if (!texture_ready(last))
            ++m->pending;
    }
    m->loaded = true;
    if (m->pending && m->kind != kind_axis_aligned && m->file_on_disk && m->format == 0)
        create_flat_chunk(m);
    m->textures_listed = true;
    for (texture_entry* t : m->textures) {
        for (size_t i = 0; i < m->instances.size(); ++i)
            texture_reference(t);
    }
    if (m->pending == 0 && m->file_on_disk)
        create_chunk(m);
    update_models(m);
}

// A zip whose member is encrypted: its model is held in memory only.
bool encrypted_zip(const unsigned char* data, size_t size)
{
    return size > 6 && data[0] == 'P' && data[1] == 'K' && data[2] == 3 && data[3] == 4 &&
           (data[6] & 1);
}

void downloaded(void* user, int result, const unsigned char* data, size_t size)
{
    auto* m = static_cast<model_record*>(user);
    m->download = nullptr;
    if (result != download_received)
        return;
    m->height = m->base = m->top = unknown;
    // The file is written only for the keep option, and never for an
    // encrypted model.
    const bool encrypted = encrypted_zip(data, size);
    const std::string path = model_file(m);
    std::vector<uint8_t> bytes;
    if (unzip_memory(data, size, state.keep_files && !encrypted ? path.c_str() : nullptr,
                     &bytes) != 0)
        return;
    m->downloaded = true;
    m->file_on_disk = true;
    m->in_store = false;
    drop_prototypes(m);
    m->held = true;
    m->encrypted = encrypted;
    m->held_bytes = std::move(bytes);
    release_textures(m);
    model_load(m);
}

model_record* model_create(const char* folder, const char* name, const std::string& key)
{
    auto* m = new model_record;
    std::string given(name);
    size_t dot = given.rfind('.');
    m->name = given.substr(0, dot);
    m->format = dot != std::string::npos && text_lower(given.substr(dot + 1)) == "wrl" ? 1 : 0;
    m->folder = folder;
    m->kind = m->folder == "avatars" ? kind_avatar : kind_object;
    m->key = key;
    m->minimum = state.placeholder_min;
    m->maximum = state.placeholder_max;
    if (!m->name.empty()) {
        std::string zip = m->name + ".zip";
        m->download = download_file(folder, zip.c_str(), model_priority, downloaded, m);
    }
    m->in_store = chunk_exists(m->key.c_str(), m->folder.c_str()) != 0;
    m->file_on_disk = file_exists(model_file(m).c_str()) != 0;
    if (!m->in_store && !m->file_on_disk)
        download_force(m->download);
    return m;
}

int free_record(void* /*user*/, const void* /*key*/, size_t /*length*/, void* data)
{
    model_record* m = *static_cast<model_record**>(data);
    for (model_instance* instance : m->instances) {
        destroy_clumps(instance);
        delete instance;
    }
    drop_prototypes(m);
    delete m;
    return 1;
}

int flush_record(void* /*user*/, const void* /*key*/, size_t /*length*/, void* data)
{
    model_record* m = *static_cast<model_record**>(data);
    for (model_instance* instance : m->instances) {
        if (instance->new_clump) {
            reload_model(instance);
        } else if (!instance->scene && instance->clump) {
            instance->scene = scene_get();
            if (instance->scene && !instance->hidden)
                rw_scene_add_clump(instance->scene, instance->clump);
        }
    }
    return 0;
}

}  // namespace

int model_init()
{
    static const float corners[] = {-0.02f, 0.0f, 0.0f, 0.02f, 0.0f, 0.0f, 0.0f, 0.02f, 0.0f};
    static const int triangle[] = {0, 1, 2};
    if (!state.table)
        state.table = hash_create(model_buckets, sizeof(model_record*));
    if (!state.placeholder)
        state.placeholder = rw_clump_create(corners, 3, triangle, 1);
    if (!state.table || !state.placeholder)
        return 1;
    rw_clump_bbox(state.placeholder, 1, &state.placeholder_min, &state.placeholder_max);
    return 0;
}

model_instance* model_reference(const char* folder, const char* name, rw_scene* scene)
{
    if (log_texture())
        log_write("model_reference (%s, %s, %p)", folder ? folder : "", name ? name : "",
                  static_cast<void*>(scene));
    if (!folder || !name || !state.table)
        return nullptr;
    std::string given(name);
    std::string key = text_lower(given.substr(0, given.rfind('.'))).substr(0, key_name_length);
    std::string table_key = std::string(folder) + key;
    int existed = 0;
    void* data = hash_insert(state.table, table_key.data(), table_key.size(), &existed);
    model_record* m = nullptr;
    if (existed) {
        m = *static_cast<model_record**>(data);
        download_reference(m->download);
    } else {
        m = model_create(folder, name, key);
        *static_cast<model_record**>(data) = m;
        if (m->in_store || m->file_on_disk)
            model_load(m);
    }
    auto* instance = new model_instance;
    instance->model = m;
    instance->scene = scene;
    for (texture_entry* t : m->textures)
        texture_reference(t);
    m->instances.insert(m->instances.begin(), instance);
    update_model(instance);
    if (!scene)
        state.changed = true;
    return instance;
}

void model_dereference(model_instance* instance)
{
    if (!instance)
        return;
    model_record* m = instance->model;
    download_dereference(m->download);
    for (texture_entry* t : m->textures)
        texture_dereference(t);
    destroy_clumps(instance);
    m->instances.erase(std::remove(m->instances.begin(), m->instances.end(), instance),
                       m->instances.end());
    delete instance;
}

void model_show(model_instance* instance, int shown)
{
    if (!instance || instance->hidden == !shown)
        return;
    instance->hidden = !shown;
    if (!instance->clump || !instance->scene)
        return;
    if (instance->hidden)
        rw_scene_remove_clump(instance->scene, instance->clump);
    else
        rw_scene_add_clump(instance->scene, instance->clump);
}

void model_flush()
{
    if (!state.changed || !state.table)
        return;
    trace("model_flush");
    state.changed = false;
    hash_iterate(state.table, flush_record, nullptr);
}

int model_height(model_instance* instance, float* height)
{
    trace("model_height");
    if (!instance || !instance->model->loaded)
        return 0;
    model_record* m = instance->model;
    if (m->height >= unknown)
        measure(m, instance->clump);
    if (m->height >= unknown)
        return 0;
    *height = m->height;
    return 1;
}

int model_base(model_instance* instance, float* base)
{
    if (!instance || instance->model->base >= unknown)
        return 0;
    *base = instance->model->base;
    return 1;
}

int model_get_bbox(model_instance* instance, glm::vec3* minimum, glm::vec3* maximum)
{
    trace("model_get_bbox");
    if (!instance || instance->model->height >= unknown)
        return 0;
    *minimum = instance->model->minimum;
    *maximum = instance->model->maximum;
    return 1;
}

void model_select(model_instance* instance)
{
    if (!instance)
        return;
    instance->selected = true;
    apply_style(instance);
}

void model_unselect(model_instance* instance)
{
    if (!instance)
        return;
    instance->selected = false;
    apply_style(instance);
}

rw_clump* model_clump(const model_instance* instance)
{
    return instance ? instance->clump : nullptr;
}

int model_is_ready(const model_instance* instance)
{
    return instance && !instance->new_clump && instance->model->loaded ? 1 : 0;
}

int model_look(const model_instance* instance)
{
    return instance ? instance->look : model_look_placeholder;
}

void model_set_keep_files(int keep)
{
    state.keep_files = keep != 0;
}

void model_reset()
{
    if (!state.table)
        return;
    hash_iterate(state.table, free_record, nullptr);
    state.changed = false;
}

void model_term()
{
    model_reset();
    hash_destroy(state.table);
    state.table = nullptr;
    if (state.placeholder)
        rw_clump_destroy(state.placeholder);
    state.placeholder = nullptr;
}
