#include "scene/tangents.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <GL/glew.h>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "scene/gltf_accessor.h"
#include "scene/texture_transform.h"

namespace quillbarrow {

namespace {

bool fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

int attribute_accessor(const tinygltf::Primitive& primitive, const std::string& name) {
    const auto found = primitive.attributes.find(name);
    return found == primitive.attributes.end() ? -1 : found->second;
}

// The float VEC3 elements of an attribute.
bool read_vec3s(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, const char* name,
                std::vector<glm::vec3>* out, std::string* why) {
    const int index = attribute_accessor(primitive, name);
    if (index < 0) return fail(why, std::string("no ") + name);
    DenseAccessor dense;
    if (!read_dense_accessor(gltf, index, &dense, why)) return false;
    const tinygltf::Accessor& accessor = gltf.accessors[static_cast<std::size_t>(index)];
    if (accessor.type != TINYGLTF_TYPE_VEC3 || accessor.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT)
        return fail(why, std::string(name) + " is not a float VEC3 accessor");
    out->resize(dense.count);
    if (dense.count > 0) std::memcpy(out->data(), dense.bytes.data(), dense.count * sizeof(glm::vec3));
    return true;
}

// Texture coordinates: floats, or normalized unsigned bytes or shorts.
bool read_texcoords(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, int set,
                    std::vector<glm::vec2>* out, std::string* why) {
    const std::string name = "TEXCOORD_" + std::to_string(set);
    const int index = attribute_accessor(primitive, name);
    if (index < 0) return fail(why, "no " + name);
    DenseAccessor dense;
    if (!read_dense_accessor(gltf, index, &dense, why)) return false;
    const tinygltf::Accessor& accessor = gltf.accessors[static_cast<std::size_t>(index)];
    const int type = accessor.componentType;
    const bool normalized = accessor.normalized && (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
                                                    type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT);
    if (accessor.type != TINYGLTF_TYPE_VEC2 || (type != TINYGLTF_COMPONENT_TYPE_FLOAT && !normalized))
        return fail(why, name + " is not a float or normalized VEC2 accessor");
    out->resize(dense.count);
    const std::size_t component = dense.element_size / 2;
    for (std::size_t e = 0; e < dense.count; ++e) {
        for (std::size_t c = 0; c < 2; ++c) {
            const unsigned char* at = dense.bytes.data() + e * dense.element_size + c * component;
            float value = 0.0f;
            if (type == TINYGLTF_COMPONENT_TYPE_FLOAT) {
                std::memcpy(&value, at, sizeof value);
            } else if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) {
                value = static_cast<float>(*at) / 255.0f;
            } else {
                std::uint16_t v;
                std::memcpy(&v, at, sizeof v);
                value = static_cast<float>(v) / 65535.0f;
            }
            (*out)[e][static_cast<glm::length_t>(c)] = value;
        }
    }
    return true;
}

// The vertex index of each corner: the index accessor's values, or 0..count-1.
bool read_corners(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, std::size_t vertices,
                  std::vector<std::uint32_t>* out, std::string* why) {
    if (primitive.indices < 0) {
        out->resize(vertices);
        for (std::size_t i = 0; i < vertices; ++i) (*out)[i] = static_cast<std::uint32_t>(i);
        return true;
    }
    DenseAccessor dense;
    if (!read_dense_accessor(gltf, primitive.indices, &dense, why)) return false;
    const std::size_t size = dense.element_size;
    if (size != 1 && size != 2 && size != 4) return fail(why, "indices are not unsigned scalars");
    out->resize(dense.count);
    for (std::size_t i = 0; i < dense.count; ++i) {
        std::uint32_t value = 0;
        if (size == 1) value = dense.bytes[i];
        if (size == 2) {
            std::uint16_t v;
            std::memcpy(&v, &dense.bytes[i * 2], sizeof v);
            value = v;
        }
        if (size == 4) std::memcpy(&value, &dense.bytes[i * 4], sizeof value);
        (*out)[i] = value;
    }
    return true;
}

// Any unit vector perpendicular to n, for a vertex no triangle gave a direction.
glm::vec3 perpendicular(const glm::vec3& n) {
    const glm::vec3 axis = std::abs(n.x) < 0.9f ? glm::vec3(1, 0, 0) : glm::vec3(0, 1, 0);
    return glm::normalize(axis - n * glm::dot(n, axis));
}

}  // namespace

int normal_texture_set(const tinygltf::Model& gltf, int material) {
    if (material < 0 || static_cast<std::size_t>(material) >= gltf.materials.size()) return -1;
    const tinygltf::NormalTextureInfo& info = gltf.materials[static_cast<std::size_t>(material)].normalTexture;
    if (info.index < 0) return -1;
    return texture_transform(info.texCoord, info.extensions).texcoord;
}

bool generate_tangents(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive, int set,
                       std::vector<glm::vec4>* tangents, std::string* why) {
    const int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP && mode != TINYGLTF_MODE_TRIANGLE_FAN)
        return fail(why, "the primitive is not made of triangles");
    std::vector<glm::vec3> positions, normals;
    std::vector<glm::vec2> uvs;
    if (!read_vec3s(gltf, primitive, "POSITION", &positions, why) ||
        !read_vec3s(gltf, primitive, "NORMAL", &normals, why) || !read_texcoords(gltf, primitive, set, &uvs, why))
        return false;
    const std::size_t count = std::min({positions.size(), normals.size(), uvs.size()});
    if (count > kMaxGeneratedTangentVertices)
        return fail(why, std::to_string(count) + " vertices, more than " +
                             std::to_string(kMaxGeneratedTangentVertices) + " get generated tangents");
    std::vector<std::uint32_t> corners;
    if (!read_corners(gltf, primitive, count, &corners, why)) return false;

    std::vector<glm::vec3> along_u(count, glm::vec3(0.0f)), up_image(count, glm::vec3(0.0f));
    const std::size_t triangles = mode == TINYGLTF_MODE_TRIANGLES ? corners.size() / 3
                                  : corners.size() >= 3           ? corners.size() - 2
                                                                  : 0;
    for (std::size_t t = 0; t < triangles; ++t) {
        std::uint32_t c[3];
        if (mode == TINYGLTF_MODE_TRIANGLES) {
            c[0] = corners[3 * t], c[1] = corners[3 * t + 1], c[2] = corners[3 * t + 2];
        } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
            // Every other strip triangle is wound the other way round.
            c[0] = corners[t], c[1] = corners[t + 1 + (t & 1)], c[2] = corners[t + 2 - (t & 1)];
        } else {
            c[0] = corners[0], c[1] = corners[t + 1], c[2] = corners[t + 2];
        }
        if (c[0] >= count || c[1] >= count || c[2] >= count) continue;
        const glm::vec3 e1 = positions[c[1]] - positions[c[0]], e2 = positions[c[2]] - positions[c[0]];
        // v runs down the image, the normal texture's +Y up it: work with -v.
        const glm::vec2 d1(uvs[c[1]].x - uvs[c[0]].x, uvs[c[0]].y - uvs[c[1]].y);
        const glm::vec2 d2(uvs[c[2]].x - uvs[c[0]].x, uvs[c[0]].y - uvs[c[2]].y);
        const float det = d1.x * d2.y - d2.x * d1.y;
        if (!std::isfinite(det) || std::abs(det) < 1e-12f) continue;
        const glm::vec3 u_direction = (e1 * d2.y - e2 * d1.y) / det;
        const glm::vec3 up_direction = (e2 * d1.x - e1 * d2.x) / det;
        for (std::uint32_t corner : c) {
            along_u[corner] += u_direction;
            up_image[corner] += up_direction;
        }
    }

    tangents->resize(count);
    for (std::size_t v = 0; v < count; ++v) {
        const float length = glm::length(normals[v]);
        const glm::vec3 n = length > 1e-12f ? normals[v] / length : glm::vec3(0, 0, 1);
        glm::vec3 t = along_u[v] - n * glm::dot(n, along_u[v]);
        const float t_length = glm::length(t);
        t = std::isfinite(t_length) && t_length > 1e-12f ? t / t_length : perpendicular(n);
        const float w = glm::dot(glm::cross(n, t), up_image[v]) < 0.0f ? -1.0f : 1.0f;
        (*tangents)[v] = glm::vec4(t, w);
    }
    return true;
}

GlBuffer attach_generated_tangents(const tinygltf::Model& gltf, const tinygltf::Primitive& primitive,
                                   std::size_t* vertices, std::string* why) {
    const int set = normal_texture_set(gltf, primitive.material);
    if (set < 0) return {};
    std::vector<glm::vec4> tangents;
    if (!generate_tangents(gltf, primitive, set, &tangents, why)) return {};
    GlBuffer buffer = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(tangents.size() * sizeof(glm::vec4)),
                 tangents.empty() ? nullptr : tangents.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(kTangentLocation);
    glVertexAttribPointer(kTangentLocation, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    *vertices = std::min(*vertices, tangents.size());
    return buffer;
}

}  // namespace quillbarrow
