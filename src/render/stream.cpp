#include "render/stream.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "render/clump_internal.h"
#include "render/raster.h"
#include "render/render.h"
#include "render/texture.h"
#include "render/texture_internal.h"

struct rw_stream {
    bool writing = false;
    std::string path;               // file streams
    std::vector<uint8_t> buffer;    // written bytes, or a file's bytes
    const uint8_t* data = nullptr;  // bytes being read
    size_t size = 0;
    size_t position = 0;
};

namespace {

constexpr uint32_t version = 2;
constexpr uint32_t header_size = 12;
constexpr int max_depth = 64;
constexpr size_t max_clumps = 100000;
constexpr size_t max_name = 1024;

// Writing: plain values appended in the machine's order.
class writer {
public:
    explicit writer(std::vector<uint8_t>* out) : out_(out) {}

    template <typename T>
    void put(const T& v)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&v);
        out_->insert(out_->end(), p, p + sizeof v);
    }
    void put_bytes(const void* p, size_t n)
    {
        if (n == 0)
            return;
        const auto* b = static_cast<const uint8_t*>(p);
        out_->insert(out_->end(), b, b + n);
    }
    void put_string(const std::string& s)
    {
        put(static_cast<uint16_t>(s.size()));
        put_bytes(s.data(), s.size());
    }
    void put_matrix(const glm::mat4& m) { put_bytes(&m[0][0], sizeof(float) * 16); }

private:
    std::vector<uint8_t>* out_;
};

// Reading: every read checks the bytes left first; a failed read poisons
// the reader so that the chunk is refused.
class cursor {
public:
    cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t left() const { return ok_ ? size_ - at_ : 0; }

    template <typename T>
    T get()
    {
        T v{};
        if (!ok_ || size_ - at_ < sizeof v) {
            ok_ = false;
            return v;
        }
        std::memcpy(&v, data_ + at_, sizeof v);
        at_ += sizeof v;
        return v;
    }
    bool get_bytes(void* p, size_t n)
    {
        if (n == 0)
            return ok_;
        if (!ok_ || size_ - at_ < n)
            return ok_ = false;
        std::memcpy(p, data_ + at_, n);
        at_ += n;
        return true;
    }
    std::string get_string()
    {
        auto n = get<uint16_t>();
        if (!ok_ || n > max_name || size_ - at_ < n) {
            ok_ = false;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }
    float get_float()
    {
        auto f = get<float>();
        if (!std::isfinite(f))
            ok_ = false;
        return f;
    }
    glm::mat4 get_matrix()
    {
        glm::mat4 m(1.0f);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                m[c][r] = get_float();
        return m;
    }
    // A count of items of at least `item_size` bytes each that can still
    // be in the chunk.
    uint32_t get_count(size_t item_size)
    {
        auto n = get<uint32_t>();
        if (ok_ && item_size && n > left() / item_size)
            ok_ = false;
        return ok_ ? n : 0;
    }
    void fail() { ok_ = false; }
    const uint8_t* here() const { return data_ + at_; }
    bool skip(size_t n)
    {
        if (!ok_ || size_ - at_ < n)
            return ok_ = false;
        at_ += n;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

constexpr size_t material_size = 7 * 4 + 6 + 2 + 2;
constexpr size_t vertex_size = 8 * 4 + 1;
constexpr size_t polygon_size = 4 * 4 + 3 * 4;

void write_geometry(writer& w, const rw_geometry& g)
{
    w.put(static_cast<uint32_t>(g.materials.size()));
    for (const rw_material& m : g.materials) {
        w.put(m.color.r);
        w.put(m.color.g);
        w.put(m.color.b);
        w.put(m.ambient);
        w.put(m.diffuse);
        w.put(m.specular);
        w.put(m.opacity);
        w.put(m.texture_modes);
        w.put(m.light_sampling);
        w.put(m.geometry_sampling);
        w.put(m.double_sided);
        w.put(m.address_mode);
        w.put(m.mipmap);
        w.put_string(m.texture);
        w.put_string(m.mask);
    }
    w.put(static_cast<uint32_t>(g.vertices.size()));
    for (const rw_vertex& v : g.vertices) {
        w.put_bytes(&v.position, sizeof(float) * 3);
        w.put_bytes(&v.normal, sizeof(float) * 3);
        w.put_bytes(&v.uv, sizeof(float) * 2);
        w.put(v.flags);
    }
    w.put(static_cast<uint32_t>(g.indices.size()));
    w.put_bytes(g.indices.data(), g.indices.size() * sizeof(uint32_t));
    w.put(static_cast<uint32_t>(g.polygons.size()));
    for (const rw_polygon& p : g.polygons) {
        w.put(p.first);
        w.put(p.count);
        w.put(p.material);
        w.put(p.tag);
        w.put_bytes(&p.normal, sizeof(float) * 3);
    }
    w.put(static_cast<uint32_t>(g.triangle_polygon.size()));
    w.put_bytes(g.triangles.data(), g.triangles.size() * sizeof(uint32_t));
    w.put_bytes(g.triangle_polygon.data(), g.triangle_polygon.size() * sizeof(uint32_t));
}

void write_clump(writer& w, std::vector<uint8_t>* out, const rw_clump* c)
{
    w.put(c->tag);
    w.put(c->axis_alignment);
    w.put(c->collision);
    w.put(c->render_style);
    w.put_matrix(c->matrix);
    w.put_matrix(c->pivot);
    w.put_matrix(c->joint);
    // The geometry comes with its length, so that a reader that already
    // holds the same bytes can share what it made of them.
    size_t length_at = out->size();
    w.put(uint32_t{0});
    write_geometry(w, *c->geometry);
    auto length = static_cast<uint32_t>(out->size() - length_at - 4);
    std::memcpy(out->data() + length_at, &length, sizeof length);
    w.put(static_cast<uint32_t>(c->children.size()));
    for (const rw_clump* child : c->children)
        write_clump(w, out, child);
}

bool read_geometry(cursor& in, rw_geometry& g)
{
    g.materials.resize(in.get_count(material_size));
    for (rw_material& m : g.materials) {
        m.color = {in.get_float(), in.get_float(), in.get_float()};
        m.ambient = in.get_float();
        m.diffuse = in.get_float();
        m.specular = in.get_float();
        m.opacity = in.get_float();
        m.texture_modes = in.get<uint8_t>();
        m.light_sampling = in.get<uint8_t>();
        m.geometry_sampling = in.get<uint8_t>();
        m.double_sided = in.get<uint8_t>();
        m.address_mode = in.get<uint8_t>();
        m.mipmap = in.get<uint8_t>();
        m.texture = in.get_string();
        m.mask = in.get_string();
    }

    g.vertices.resize(in.get_count(vertex_size));
    for (rw_vertex& v : g.vertices) {
        v.position = {in.get_float(), in.get_float(), in.get_float()};
        v.normal = {in.get_float(), in.get_float(), in.get_float()};
        v.uv = {in.get_float(), in.get_float()};
        v.flags = in.get<uint8_t>();
    }

    g.indices.resize(in.get_count(sizeof(uint32_t)));
    in.get_bytes(g.indices.data(), g.indices.size() * sizeof(uint32_t));
    for (uint32_t i : g.indices) {
        if (i >= g.vertices.size())
            in.fail();
    }

    g.polygons.resize(in.get_count(polygon_size));
    for (rw_polygon& p : g.polygons) {
        p.first = in.get<uint32_t>();
        p.count = in.get<uint32_t>();
        p.material = in.get<uint32_t>();
        p.tag = in.get<int32_t>();
        p.normal = {in.get_float(), in.get_float(), in.get_float()};
        if (p.count < 3 || p.first > g.indices.size() || p.count > g.indices.size() - p.first ||
            p.material >= g.materials.size())
            in.fail();
    }

    uint32_t triangles = in.get_count(4 * sizeof(uint32_t));
    g.triangles.resize(static_cast<size_t>(triangles) * 3);
    g.triangle_polygon.resize(triangles);
    in.get_bytes(g.triangles.data(), g.triangles.size() * sizeof(uint32_t));
    in.get_bytes(g.triangle_polygon.data(), g.triangle_polygon.size() * sizeof(uint32_t));
    for (uint32_t i : g.triangles) {
        if (i >= g.vertices.size())
            in.fail();
    }
    for (uint32_t p : g.triangle_polygon) {
        if (p >= g.polygons.size())
            in.fail();
    }
    return in.ok() && in.left() == 0;
}

// Geometry read from streams, by the bytes it was read from, while clumps
// still show it.
struct geometry_key {
    size_t hash;
    size_t length;
    bool operator==(const geometry_key&) const = default;
};

struct geometry_key_hash {
    size_t operator()(const geometry_key& k) const { return k.hash; }
};

std::unordered_map<geometry_key, std::weak_ptr<rw_geometry>, geometry_key_hash> shared_geometry;
size_t inserts_since_sweep = 0;

geometry_key key_of(const uint8_t* bytes, size_t length)
{
    std::string_view view(reinterpret_cast<const char*>(bytes), length);
    return {std::hash<std::string_view>{}(view), length};
}

std::shared_ptr<rw_geometry> read_shared_geometry(cursor& in)
{
    uint32_t length = in.get_count(1);
    const uint8_t* bytes = in.here();
    if (!in.skip(length))
        return nullptr;
    geometry_key key = key_of(bytes, length);
    auto found = shared_geometry.find(key);
    if (found != shared_geometry.end()) {
        if (std::shared_ptr<rw_geometry> g = found->second.lock())
            return g;
    }
    auto g = std::make_shared<rw_geometry>();
    cursor section(bytes, length);
    if (!read_geometry(section, *g))
        return nullptr;
    shared_geometry[key] = g;
    if (++inserts_since_sweep >= 1024) {
        inserts_since_sweep = 0;
        std::erase_if(shared_geometry, [](const auto& entry) { return entry.second.expired(); });
    }
    return g;
}

bool read_clump(cursor& in, rw_clump* c, int depth, size_t* clumps)
{
    if (depth > max_depth || ++*clumps > max_clumps)
        return false;
    c->tag = in.get<int32_t>();
    c->axis_alignment = in.get<int32_t>();
    c->collision = in.get<int32_t>();
    c->render_style = in.get<int32_t>();
    c->matrix = in.get_matrix();
    c->pivot = in.get_matrix();
    c->joint = in.get_matrix();
    if (c->axis_alignment < rw_align_none || c->axis_alignment > rw_align_xyz ||
        (c->collision != 0 && c->collision != 1) ||
        (c->render_style != rw_style_selected && c->render_style != rw_style_normal))
        in.fail();
    if (!in.ok())
        return false;
    c->geometry = read_shared_geometry(in);
    if (!c->geometry) {
        c->geometry = std::make_shared<rw_geometry>();
        return false;
    }
    c->textures.assign(c->geometry->polygons.size(), nullptr);

    // Each child needs at least its fixed fields.
    uint32_t children = in.get_count(16 + 3 * 64 + 4);
    for (uint32_t i = 0; i < children && in.ok(); ++i) {
        auto* child = new rw_clump;
        rw_clump_adopt(c, child);
        if (!read_clump(in, child, depth + 1, clumps))
            return false;
    }
    return in.ok();
}

// Starts a chunk; returns where its length goes.
size_t begin_chunk(std::vector<uint8_t>* out, uint32_t type)
{
    writer w(out);
    w.put(type);
    size_t at = out->size();
    w.put(uint32_t{0});
    w.put(version);
    return at;
}

void end_chunk(std::vector<uint8_t>* out, size_t length_at)
{
    auto length = static_cast<uint32_t>(out->size() - length_at - 8);
    std::memcpy(out->data() + length_at, &length, sizeof length);
}

// The payload of the next chunk when it has this type and fits; advances
// the stream past it.
bool next_chunk(rw_stream* s, uint32_t type, const uint8_t** payload, size_t* size)
{
    if (!s || s->writing || s->size - s->position < header_size) {
        rw_set_error(rw_error_format);
        return false;
    }
    cursor in(s->data + s->position, s->size - s->position);
    auto t = in.get<uint32_t>();
    auto length = in.get<uint32_t>();
    auto v = in.get<uint32_t>();
    if (t != type || v != version || length > in.left()) {
        rw_set_error(rw_error_format);
        return false;
    }
    *payload = s->data + s->position + header_size;
    *size = length;
    s->position += header_size + length;
    return true;
}

}  // namespace

rw_stream* rw_stream_open_memory()
{
    auto* s = new rw_stream;
    s->writing = true;
    return s;
}

rw_stream* rw_stream_open_memory_read(const void* data, size_t size)
{
    if (!data && size) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    auto* s = new rw_stream;
    s->data = static_cast<const uint8_t*>(data);
    s->size = size;
    return s;
}

rw_stream* rw_stream_open_file(const char* path, int write)
{
    if (!path) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    auto* s = new rw_stream;
    s->path = path;
    if (write) {
        s->writing = true;
        return s;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        delete s;
        rw_set_error(rw_error_file);
        return nullptr;
    }
    s->buffer.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    s->data = s->buffer.data();
    s->size = s->buffer.size();
    return s;
}

int rw_stream_close(rw_stream* stream)
{
    if (!stream)
        return 1;
    int result = 0;
    if (stream->writing && !stream->path.empty()) {
        // Through a temporary file, so that a failed write leaves no half file.
        std::string temp = stream->path + ".part";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(stream->buffer.data()),
                      static_cast<std::streamsize>(stream->buffer.size()));
            out.flush();
            if (!out)
                result = 1;
        }
        if (result == 0 && std::rename(temp.c_str(), stream->path.c_str()) != 0)
            result = 1;
        if (result != 0) {
            std::remove(temp.c_str());
            rw_set_error(rw_error_file);
        }
    }
    delete stream;
    return result;
}

const uint8_t* rw_stream_data(const rw_stream* stream, size_t* size)
{
    *size = stream->buffer.size();
    return stream->buffer.data();
}

int rw_stream_write_clump(rw_stream* stream, const rw_clump* clump)
{
    if (!stream || !stream->writing || !clump) {
        rw_set_error(rw_error_argument);
        return 1;
    }
    size_t at = begin_chunk(&stream->buffer, rw_chunk_clump);
    writer w(&stream->buffer);
    write_clump(w, &stream->buffer, clump);
    end_chunk(&stream->buffer, at);
    return 0;
}

rw_clump* rw_stream_read_clump(rw_stream* stream)
{
    const uint8_t* payload;
    size_t size;
    if (!next_chunk(stream, rw_chunk_clump, &payload, &size))
        return nullptr;
    cursor in(payload, size);
    auto* root = new rw_clump;
    size_t clumps = 0;
    if (!read_clump(in, root, 1, &clumps) || in.left() != 0) {
        rw_clump_destroy(root);
        rw_set_error(rw_error_format);
        return nullptr;
    }
    rw_clump_resolve_textures(root);
    return root;
}

int rw_stream_write_texture(rw_stream* stream, const rw_texture* texture)
{
    if (!stream || !stream->writing || !texture) {
        rw_set_error(rw_error_argument);
        return 1;
    }
    const rw_raster* r = rw_texture_raster(texture);
    size_t at = begin_chunk(&stream->buffer, rw_chunk_texture);
    writer w(&stream->buffer);
    w.put_string(rw_texture_name(texture));
    w.put(static_cast<int32_t>(rw_raster_width(r)));
    w.put(static_cast<int32_t>(rw_raster_height(r)));
    w.put(static_cast<uint8_t>(rw_texture_masked(texture)));
    w.put_bytes(rw_raster_pixels(r),
                static_cast<size_t>(rw_raster_width(r)) * static_cast<size_t>(rw_raster_height(r)) * 4);
    end_chunk(&stream->buffer, at);
    return 0;
}

rw_texture* rw_stream_read_texture(rw_stream* stream)
{
    const uint8_t* payload;
    size_t size;
    if (!next_chunk(stream, rw_chunk_texture, &payload, &size))
        return nullptr;
    cursor in(payload, size);
    std::string name = in.get_string();
    auto width = in.get<int32_t>();
    auto height = in.get<int32_t>();
    auto masked = in.get<uint8_t>();
    if (!in.ok() || name.empty() || width <= 0 || height <= 0 || masked > 1 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 != in.left()) {
        rw_set_error(rw_error_format);
        return nullptr;
    }
    rw_raster* raster = rw_raster_create(width, height);
    if (!raster)
        return nullptr;
    in.get_bytes(rw_raster_pixels(raster), in.left());
    rw_texture* texture = rw_texture_create(name.c_str(), raster);
    if (!texture)
        return nullptr;
    // Textures are written under their key; a name in any other form is
    // not one this library wrote.
    if (name != rw_texture_name(texture)) {
        rw_texture_destroy(texture);
        rw_set_error(rw_error_format);
        return nullptr;
    }
    // The pixels already carry the mask's transparency.
    rw_texture_set_masked(texture, masked);
    return texture;
}
