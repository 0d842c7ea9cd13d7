#include "render/rwx.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "render/clump_internal.h"
#include "render/primitive.h"
#include "render/render.h"

namespace {

// Caps that keep a hostile file from taking the machine: past them the
// model is refused.
constexpr size_t max_vertices = 4u << 20;
constexpr size_t max_polygons = 4u << 20;
constexpr size_t max_depth = 64;
constexpr uint32_t max_polygon_vertices = 65536;

enum command {
    c_unknown, c_model_begin, c_model_end, c_clump_begin, c_clump_end, c_proto_begin, c_proto_end,
    c_proto_instance, c_proto_instance_geometry, c_include, c_tag, c_axis_alignment,
    c_collision, c_vertex, c_triangle, c_quad, c_polygon, c_block, c_cone, c_cylinder, c_disc,
    c_hemisphere, c_sphere, c_color, c_surface, c_ambient, c_diffuse, c_specular, c_opacity,
    c_texture, c_texture_modes, c_add_texture_mode, c_remove_texture_mode,
    c_texture_address_mode, c_texture_mipmap_state, c_light_sampling, c_geometry_sampling,
    c_material_modes, c_add_material_mode, c_remove_material_mode, c_material_begin,
    c_material_end, c_identity, c_translate, c_rotate, c_scale, c_transform, c_transform_begin,
    c_transform_end, c_joint_transform_begin, c_joint_transform_end, c_identity_joint,
    c_rotate_joint_tm, c_transform_joint,
};

const std::unordered_map<std::string_view, command>& command_table()
{
    static const std::unordered_map<std::string_view, command> table = {
        {"modelbegin", c_model_begin}, {"modelend", c_model_end},
        {"clumpbegin", c_clump_begin}, {"clumpend", c_clump_end},
        {"protobegin", c_proto_begin}, {"protoend", c_proto_end},
        {"protoinstance", c_proto_instance},
        {"protoinstancegeometry", c_proto_instance_geometry},
        {"include", c_include}, {"includegeometry", c_include},
        {"tag", c_tag}, {"axisalignment", c_axis_alignment}, {"collision", c_collision},
        {"vertex", c_vertex}, {"vertexext", c_vertex},
        {"triangle", c_triangle}, {"triangleext", c_triangle},
        {"quad", c_quad}, {"quadext", c_quad},
        {"polygon", c_polygon}, {"polygonext", c_polygon},
        {"block", c_block}, {"cone", c_cone}, {"cylinder", c_cylinder}, {"disc", c_disc},
        {"hemisphere", c_hemisphere}, {"sphere", c_sphere},
        {"color", c_color}, {"surface", c_surface}, {"ambient", c_ambient},
        {"diffuse", c_diffuse}, {"specular", c_specular}, {"opacity", c_opacity},
        {"texture", c_texture}, {"textureext", c_texture},
        {"texturemodes", c_texture_modes}, {"texturemode", c_texture_modes},
        {"addtexturemode", c_add_texture_mode}, {"removetexturemode", c_remove_texture_mode},
        {"textureaddressmode", c_texture_address_mode},
        {"texturemipmapstate", c_texture_mipmap_state},
        {"lightsampling", c_light_sampling}, {"geometrysampling", c_geometry_sampling},
        {"materialmodes", c_material_modes}, {"materialmode", c_material_modes},
        {"addmaterialmode", c_add_material_mode},
        {"removematerialmode", c_remove_material_mode},
        {"materialbegin", c_material_begin}, {"materialend", c_material_end},
        {"identity", c_identity}, {"translate", c_translate}, {"rotate", c_rotate},
        {"scale", c_scale}, {"transform", c_transform},
        {"transformbegin", c_transform_begin}, {"transformend", c_transform_end},
        {"jointtransformbegin", c_joint_transform_begin},
        {"jointtransformend", c_joint_transform_end},
        {"identityjoint", c_identity_joint}, {"rotatejointtm", c_rotate_joint_tm},
        {"transformjoint", c_transform_joint},
    };
    return table;
}

// The token in lower case, in a small buffer; longer tokens match nothing.
struct lower_token {
    char text[32];
    size_t size = 0;

    explicit lower_token(std::string_view t)
    {
        if (t.size() >= sizeof text)
            return;
        for (char c : t)
            text[size++] = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string_view view() const { return {text, size}; }
    bool is(std::string_view word) const { return view() == word; }
};

bool parse_float(std::string_view t, float* out)
{
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    float v = 0.0f;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool parse_int(std::string_view t, long* out)
{
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    long v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc() && end == t.data() + t.size()) {
        *out = v;
        return true;
    }
    float f = 0.0f;
    if (parse_float(t, &f) && std::fabs(f) < 2e9f) {
        *out = static_cast<long>(f);
        return true;
    }
    return false;
}

// A texture or mask name as the dictionary keys it: cut at the first ".",
// lower case, path removed.
std::string texture_key(std::string_view name)
{
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string key;
    for (char c : name) {
        if (c == '.')
            break;
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

glm::mat3 normal_matrix(const glm::mat4& m)
{
    return glm::transpose(glm::inverse(glm::mat3(m)));
}

// A normal carried by a normal matrix, made unit length. A degenerate
// transform (a zero scale) has no inverse and leaves no direction to keep:
// then there is no normal, and the vertex is shaded by its polygons'.
bool transform_normal(const glm::mat3& nm, const glm::vec3& normal, glm::vec3* out)
{
    glm::vec3 n = nm * normal;
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z))
        return false;
    // Scaled down first, so that the length of a long vector cannot
    // overflow.
    float largest = std::max({std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)});
    if (largest == 0.0f)
        return false;
    *out = glm::normalize(n / largest);
    return true;
}

bool finite(const float* values, size_t count)
{
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

// Whether every number of the clump and its children is finite: huge
// scales multiplied together leave the float range, and such a model
// could not be stored.
bool all_finite(const rw_clump* c)
{
    if (!finite(glm::value_ptr(c->pivot), 16) || !finite(glm::value_ptr(c->joint), 16))
        return false;
    for (const rw_vertex& v : c->geometry->vertices) {
        if (!finite(glm::value_ptr(v.position), 3) || !finite(glm::value_ptr(v.normal), 3) ||
            !finite(glm::value_ptr(v.uv), 2))
            return false;
    }
    for (const rw_polygon& p : c->geometry->polygons) {
        if (!finite(glm::value_ptr(p.normal), 3))
            return false;
    }
    return std::all_of(c->children.begin(), c->children.end(), all_finite);
}

// An open clump: where its geometry goes, its vertex numbers, and the
// state of its parent to restore at its end.
struct frame {
    rw_clump* clump;
    std::vector<uint32_t> numbered;
    glm::mat4 saved_ctm{1.0f};
    glm::mat4 saved_joint{1.0f};
    rw_material saved_material;
};

// The model, or a prototype being defined: each has its own root, open
// clumps, transforms and material.
struct context {
    rw_clump* root = nullptr;
    std::vector<frame> frames;
    glm::mat4 ctm{1.0f};
    glm::mat4 joint{1.0f};
    std::vector<glm::mat4> transforms;
    std::vector<glm::mat4> joints;
    rw_material material;
    std::vector<rw_material> materials;
    bool root_taken = false;  // a top-level clump has become the root
};

class reader {
public:
    reader() { start(&model, new rw_clump, rw_material{}); }

    ~reader()
    {
        rw_clump_destroy(model.root);
        if (proto.root)
            rw_clump_destroy(proto.root);
        for (auto& [name, p] : prototypes)
            rw_clump_destroy(p);
    }

    void line(std::string_view text);
    rw_clump* finish();

private:
    context model;
    context proto;
    std::string proto_name;
    context* ctx = &model;
    std::unordered_map<std::string, rw_clump*> prototypes;
    std::vector<std::string_view> tokens;
    size_t vertices = 0;
    size_t polygons = 0;
    bool recognised = false;
    bool failed = false;

    static void start(context* c, rw_clump* root, const rw_material& material)
    {
        *c = context{};
        c->root = root;
        c->material = material;
        c->frames.push_back(frame{root, {}, glm::mat4(1.0f), glm::mat4(1.0f), material});
    }

    frame& top() { return ctx->frames.back(); }
    rw_clump* current() { return top().clump; }

    bool number(size_t i, float* out) const { return i < tokens.size() && parse_float(tokens[i], out); }
    bool numbers(size_t first, float* out, size_t count) const
    {
        for (size_t k = 0; k < count; ++k) {
            if (!number(first + k, &out[k]))
                return false;
        }
        return true;
    }
    bool integer(size_t i, long* out) const { return i < tokens.size() && parse_int(tokens[i], out); }
    // Which of the words token i is (any case), or -1.
    int choice(size_t i, std::initializer_list<std::string_view> words) const
    {
        if (i >= tokens.size())
            return -1;
        lower_token t(tokens[i]);
        int k = 0;
        for (std::string_view w : words) {
            if (t.is(w))
                return k;
            ++k;
        }
        return -1;
    }

    void run(command c);
    void clump_begin();
    void clump_end();
    void proto_begin();
    void proto_end();
    void instance(bool own_material);
    void vertex();
    void polygon(size_t first, uint32_t count);
    void primitive(command c);
    void add_mesh(const rw_mesh& mesh);
    void texture();
    void texture_modes(command c);
    void material_modes(command c);
    void rotate(glm::mat4* m);
    void add_geometry(rw_clump* to, const rw_clump* from, const glm::mat4& m,
                      const rw_material* material);
    rw_clump* copy_transformed(const rw_clump* from, const glm::mat4& m,
                               const rw_material* material);
    bool within_limits()
    {
        if (vertices > max_vertices || polygons > max_polygons)
            failed = true;
        return !failed;
    }
};

void reader::line(std::string_view text)
{
    if (failed)
        return;
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return;
    text.remove_prefix(first);
    // "#!" hides a command from old readers; any other "#" starts a comment.
    if (text.size() >= 2 && text[0] == '#' && text[1] == '!')
        text.remove_prefix(2);
    size_t hash = text.find('#');
    if (hash != std::string_view::npos)
        text = text.substr(0, hash);

    tokens.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        size_t end = pos;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t')
            ++end;
        if (end > pos)
            tokens.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    if (tokens.empty())
        return;
    lower_token word(tokens[0]);
    auto it = command_table().find(word.view());
    if (it == command_table().end())
        return;
    recognised = true;
    run(it->second);
}

void reader::run(command c)
{
    float v[16];
    long n = 0;
    rw_material& m = ctx->material;
    switch (c) {
    case c_unknown:
    case c_model_begin:
    case c_model_end:
    case c_include:
        break;
    case c_clump_begin: clump_begin(); break;
    case c_clump_end: clump_end(); break;
    case c_proto_begin: proto_begin(); break;
    case c_proto_end: proto_end(); break;
    case c_proto_instance: instance(false); break;
    case c_proto_instance_geometry: instance(true); break;
    case c_tag:
        if (integer(1, &n))
            current()->tag = static_cast<int32_t>(n);
        break;
    case c_axis_alignment:
        if (tokens.size() > 1)
            current()->axis_alignment = std::max(choice(1, {"none", "zorientx", "zorienty", "xyz"}), 0);
        break;
    case c_collision:
        if (int k = choice(1, {"off", "on"}); k >= 0)
            current()->collision = k;
        break;
    case c_vertex: vertex(); break;
    case c_triangle: polygon(1, 3); break;
    case c_quad: polygon(1, 4); break;
    case c_polygon:
        if (integer(1, &n) && n >= 3 && static_cast<uint64_t>(n) <= max_polygon_vertices)
            polygon(2, static_cast<uint32_t>(n));
        break;
    case c_block:
    case c_cone:
    case c_cylinder:
    case c_disc:
    case c_hemisphere:
    case c_sphere:
        primitive(c);
        break;
    case c_color:
        if (numbers(1, v, 3))
            m.color = glm::clamp(glm::vec3(v[0], v[1], v[2]), 0.0f, 1.0f);
        break;
    case c_surface:
        if (numbers(1, v, 3)) {
            m.ambient = glm::clamp(v[0], 0.0f, 1.0f);
            m.diffuse = glm::clamp(v[1], 0.0f, 1.0f);
            m.specular = glm::clamp(v[2], 0.0f, 1.0f);
        }
        break;
    case c_ambient:
        if (number(1, v))
            m.ambient = glm::clamp(v[0], 0.0f, 1.0f);
        break;
    case c_diffuse:
        if (number(1, v))
            m.diffuse = glm::clamp(v[0], 0.0f, 1.0f);
        break;
    case c_specular:
        if (number(1, v))
            m.specular = glm::clamp(v[0], 0.0f, 1.0f);
        break;
    case c_opacity:
        if (number(1, v))
            m.opacity = glm::clamp(v[0], 0.0f, 1.0f);
        break;
    case c_texture: texture(); break;
    case c_texture_modes:
    case c_add_texture_mode:
    case c_remove_texture_mode:
        texture_modes(c);
        break;
    // The words of each choice are in the order of their values.
    case c_texture_address_mode:
        if (int k = choice(1, {"wrap", "mirror", "clamp"}); k >= 0)
            m.address_mode = static_cast<uint8_t>(k);
        break;
    case c_texture_mipmap_state:
        if (int k = choice(1, {"off", "on"}); k >= 0)
            m.mipmap = static_cast<uint8_t>(k);
        break;
    case c_light_sampling:
        if (int k = choice(1, {"facet", "vertex"}); k >= 0)
            m.light_sampling = static_cast<uint8_t>(k);
        break;
    case c_geometry_sampling:
        if (int k = choice(1, {"solid", "wireframe", "pointcloud"}); k >= 0)
            m.geometry_sampling = static_cast<uint8_t>(k);
        break;
    case c_material_modes:
    case c_add_material_mode:
    case c_remove_material_mode:
        material_modes(c);
        break;
    case c_material_begin:
        ctx->materials.push_back(m);
        break;
    case c_material_end:
        if (!ctx->materials.empty()) {
            m = ctx->materials.back();
            ctx->materials.pop_back();
        }
        break;
    case c_identity:
        ctx->ctm = glm::mat4(1.0f);
        break;
    case c_translate:
        if (numbers(1, v, 3))
            ctx->ctm = glm::translate(ctx->ctm, glm::vec3(v[0], v[1], v[2]));
        break;
    case c_rotate:
        rotate(&ctx->ctm);
        break;
    case c_scale:
        if (numbers(1, v, 3))
            ctx->ctm = glm::scale(ctx->ctm, glm::vec3(v[0], v[1], v[2]));
        break;
    case c_transform:
        if (numbers(1, v, 16))
            ctx->ctm = glm::make_mat4(v);
        break;
    case c_transform_begin:
        if (ctx->transforms.size() < 1024)
            ctx->transforms.push_back(ctx->ctm);
        break;
    case c_transform_end:
        if (!ctx->transforms.empty()) {
            ctx->ctm = ctx->transforms.back();
            ctx->transforms.pop_back();
        }
        break;
    case c_joint_transform_begin:
        if (ctx->joints.size() < 1024)
            ctx->joints.push_back(ctx->joint);
        break;
    case c_joint_transform_end:
        if (!ctx->joints.empty()) {
            ctx->joint = ctx->joints.back();
            ctx->joints.pop_back();
        }
        break;
    case c_identity_joint:
        ctx->joint = glm::mat4(1.0f);
        break;
    case c_rotate_joint_tm:
        rotate(&ctx->joint);
        break;
    case c_transform_joint:
        if (numbers(1, v, 16))
            ctx->joint = glm::make_mat4(v);
        break;
    }
}

void reader::rotate(glm::mat4* m)
{
    float v[4];
    if (!numbers(1, v, 4))
        return;
    glm::vec3 axis(v[0], v[1], v[2]);
    float length = glm::length(axis);
    if (!(length > 0.0f))
        return;
    *m = glm::rotate(*m, glm::radians(v[3]), axis / length);
}

void reader::clump_begin()
{
    if (ctx->frames.size() >= max_depth) {
        failed = true;
        return;
    }
    rw_clump* c;
    // The first clump of the model becomes its root; later top-level clumps
    // hang below it.
    rw_clump* root = ctx->root;
    if (ctx->frames.size() == 1 && !ctx->root_taken && root->geometry->vertices.empty() &&
        root->children.empty()) {
        c = root;
    } else {
        c = new rw_clump;
        rw_clump_adopt(current(), c);
    }
    ctx->root_taken = true;
    c->pivot = ctx->ctm;
    c->joint = ctx->joint;
    ctx->frames.push_back(frame{c, {}, ctx->ctm, ctx->joint, ctx->material});
}

void reader::clump_end()
{
    if (ctx->frames.size() <= 1)
        return;
    frame& f = top();
    ctx->ctm = f.saved_ctm;
    ctx->joint = f.saved_joint;
    ctx->material = f.saved_material;
    ctx->frames.pop_back();
}

void reader::proto_begin()
{
    if (ctx == &proto || tokens.size() < 2)
        return;
    proto_name = std::string(tokens[1]);
    start(&proto, new rw_clump, model.material);
    ctx = &proto;
}

void reader::proto_end()
{
    if (ctx != &proto)
        return;
    rw_clump*& slot = prototypes[proto_name];
    rw_clump_destroy(slot);
    slot = proto.root;
    proto.root = nullptr;
    ctx = &model;
}

void reader::instance(bool own_material)
{
    if (tokens.size() < 2)
        return;
    auto it = prototypes.find(std::string(tokens[1]));
    if (it == prototypes.end())
        return;
    const rw_material* material = own_material ? &ctx->material : nullptr;
    add_geometry(current(), it->second, ctx->ctm, material);
    for (const rw_clump* child : it->second->children) {
        if (!within_limits())
            return;
        rw_clump_adopt(current(), copy_transformed(child, ctx->ctm, material));
    }
}

void reader::add_geometry(rw_clump* to, const rw_clump* from, const glm::mat4& m,
                          const rw_material* material)
{
    vertices += from->geometry->vertices.size();
    polygons += from->geometry->polygons.size();
    if (!within_limits())
        return;
    const rw_geometry& source = *from->geometry;
    std::vector<rw_vertex>& target = rw_clump_edit(to).vertices;
    auto base = static_cast<uint32_t>(target.size());
    glm::mat3 nm = normal_matrix(m);
    for (rw_vertex v : source.vertices) {
        v.position = glm::vec3(m * glm::vec4(v.position, 1.0f));
        if ((v.flags & rw_vertex_has_normal) && !transform_normal(nm, v.normal, &v.normal)) {
            v.normal = glm::vec3(0.0f);
            v.flags &= static_cast<uint8_t>(~rw_vertex_has_normal);
        }
        target.push_back(v);
    }
    std::vector<uint32_t> corners;
    for (const rw_polygon& p : source.polygons) {
        corners.assign(source.indices.begin() + p.first,
                       source.indices.begin() + p.first + p.count);
        for (uint32_t& i : corners)
            i += base;
        uint32_t mi = rw_clump_material_index(to, material ? *material : source.materials[p.material]);
        rw_clump_add_polygon(to, corners.data(), p.count, mi, p.tag);
    }
}

rw_clump* reader::copy_transformed(const rw_clump* from, const glm::mat4& m,
                                   const rw_material* material)
{
    auto* c = new rw_clump;
    c->pivot = m * from->pivot;
    c->joint = from->joint;
    c->tag = from->tag;
    c->axis_alignment = from->axis_alignment;
    c->collision = from->collision;
    add_geometry(c, from, m, material);
    for (const rw_clump* child : from->children) {
        if (!within_limits())
            break;
        rw_clump_adopt(c, copy_transformed(child, m, material));
    }
    return c;
}

void reader::vertex()
{
    float p[3];
    if (!numbers(1, p, 3))
        return;
    if (++vertices > max_vertices) {
        failed = true;
        return;
    }
    rw_vertex v;
    v.position = glm::vec3(ctx->ctm * glm::vec4(p[0], p[1], p[2], 1.0f));
    for (size_t i = 4; i < tokens.size(); ++i) {
        lower_token word(tokens[i]);
        float q[3];
        if (word.is("uv") && numbers(i + 1, q, 2)) {
            v.uv = glm::vec2(q[0], q[1]);
            v.flags |= rw_vertex_has_uv;
            i += 2;
        } else if (word.is("normal") && numbers(i + 1, q, 3)) {
            if (transform_normal(normal_matrix(ctx->ctm), glm::vec3(q[0], q[1], q[2]), &v.normal))
                v.flags |= rw_vertex_has_normal;
            i += 3;
        }
    }
    rw_clump* c = current();
    std::vector<rw_vertex>& target = rw_clump_edit(c).vertices;
    top().numbered.push_back(static_cast<uint32_t>(target.size()));
    target.push_back(v);
}

void reader::polygon(size_t first, uint32_t count)
{
    if (first + count > tokens.size())
        return;
    if (++polygons > max_polygons) {
        failed = true;
        return;
    }
    const std::vector<uint32_t>& numbered = top().numbered;
    std::vector<uint32_t> corners(count);
    for (uint32_t k = 0; k < count; ++k) {
        long n = 0;
        if (!parse_int(tokens[first + k], &n) || n < 1 ||
            static_cast<uint64_t>(n) > numbered.size())
            return;
        corners[k] = numbered[static_cast<size_t>(n - 1)];
    }
    long tag = 0;
    for (size_t i = first + count; i + 1 < tokens.size(); ++i) {
        if (lower_token(tokens[i]).is("tag") && parse_int(tokens[i + 1], &tag))
            break;
    }
    rw_clump* c = current();
    uint32_t material = rw_clump_material_index(c, ctx->material);
    rw_clump_add_polygon(c, corners.data(), count, material, static_cast<int32_t>(tag));
}

void reader::primitive(command c)
{
    float v[4];
    long n = 0;
    rw_mesh mesh;
    switch (c) {
    case c_block:
        if (numbers(1, v, 3))
            rw_primitive_block(&mesh, v[0], v[1], v[2]);
        break;
    case c_cone:
        if (numbers(1, v, 2) && integer(3, &n))
            rw_primitive_cone(&mesh, v[0], v[1], static_cast<int>(n));
        break;
    case c_cylinder:
        if (numbers(1, v, 3) && integer(4, &n))
            rw_primitive_cylinder(&mesh, v[0], v[1], v[2], static_cast<int>(n));
        break;
    case c_disc:
        if (numbers(1, v, 2) && integer(3, &n))
            rw_primitive_disc(&mesh, v[0], v[1], static_cast<int>(n));
        break;
    case c_hemisphere:
        if (number(1, v) && integer(2, &n))
            rw_primitive_hemisphere(&mesh, v[0], static_cast<int>(n));
        break;
    case c_sphere:
        if (number(1, v) && integer(2, &n))
            rw_primitive_sphere(&mesh, v[0], static_cast<int>(n));
        break;
    default:
        break;
    }
    add_mesh(mesh);
}

void reader::add_mesh(const rw_mesh& mesh)
{
    vertices += mesh.positions.size();
    polygons += mesh.counts.size();
    if (mesh.counts.empty() || !within_limits())
        return;
    rw_clump* c = current();
    std::vector<rw_vertex>& target = rw_clump_edit(c).vertices;
    auto base = static_cast<uint32_t>(target.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        rw_vertex v;
        v.position = glm::vec3(ctx->ctm * glm::vec4(mesh.positions[i], 1.0f));
        v.uv = mesh.uvs[i];
        v.flags = rw_vertex_has_uv;
        target.push_back(v);
    }
    uint32_t material = rw_clump_material_index(c, ctx->material);
    std::vector<uint32_t> corners;
    size_t at = 0;
    for (uint32_t count : mesh.counts) {
        corners.assign(mesh.indices.begin() + static_cast<long>(at),
                       mesh.indices.begin() + static_cast<long>(at + count));
        for (uint32_t& i : corners)
            i += base;
        rw_clump_add_polygon(c, corners.data(), count, material, 0);
        at += count;
    }
}

void reader::texture()
{
    rw_material& m = ctx->material;
    if (tokens.size() < 2)
        return;
    if (lower_token(tokens[1]).is("null")) {
        m.texture.clear();
        m.mask.clear();
        return;
    }
    m.texture = texture_key(tokens[1]);
    m.mask.clear();
    for (size_t i = 2; i + 1 < tokens.size(); ++i) {
        if (lower_token(tokens[i]).is("mask")) {
            m.mask = texture_key(tokens[i + 1]);
            break;
        }
    }
}

void reader::texture_modes(command c)
{
    uint8_t& modes = ctx->material.texture_modes;
    if (c == c_texture_modes)
        modes = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
        lower_token w(tokens[i]);
        uint8_t bit = w.is("lit") ? rw_mode_lit
                      : w.is("foreshorten") ? rw_mode_foreshorten
                      : w.is("filter") ? rw_mode_filter
                                       : 0;
        if (c == c_remove_texture_mode)
            modes = static_cast<uint8_t>(modes & ~bit);
        else
            modes = static_cast<uint8_t>(modes | bit);
    }
}

void reader::material_modes(command c)
{
    uint8_t& double_sided = ctx->material.double_sided;
    if (c == c_material_modes)
        double_sided = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (lower_token(tokens[i]).is("double"))
            double_sided = c == c_remove_material_mode ? 0 : 1;
    }
}

rw_clump* reader::finish()
{
    if (ctx == &proto) {
        rw_clump_destroy(proto.root);
        proto.root = nullptr;
        ctx = &model;
    }
    if (failed || !recognised) {
        rw_set_error(rw_error_format);
        return nullptr;
    }
    rw_clump* root = model.root;
    model.root = nullptr;
    if (!all_finite(root)) {
        rw_clump_destroy(root);
        rw_set_error(rw_error_format);
        return nullptr;
    }
    rw_clump_resolve_textures(root);
    return root;
}

}  // namespace

rw_clump* rw_rwx_read(const char* text, size_t size)
{
    if (!text) {
        rw_set_error(rw_error_argument);
        return nullptr;
    }
    std::string_view all(text, size);
    // A byte-order mark and trailing end-of-file marks are not part of it.
    if (all.size() >= 3 && all.substr(0, 3) == "\xEF\xBB\xBF")
        all.remove_prefix(3);
    reader r;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(pos, end - pos);
        size_t stop = line.find_first_of(std::string_view("\0\x1a", 2));
        if (stop != std::string_view::npos)
            line = line.substr(0, stop);
        r.line(line);
        pos = end + 1;
    }
    return r.finish();
}

rw_clump* rw_rwx_read_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        rw_set_error(rw_error_file);
        return nullptr;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return rw_rwx_read(bytes.data(), bytes.size());
}
