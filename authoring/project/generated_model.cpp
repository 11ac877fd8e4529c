#include "project/generated_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "serialization/byte_buffer.h"
#include "serialization/json_value.h"

namespace quillbarrow {

namespace {

using Vec3 = std::array<float, 3>;

struct MeshData {
    std::vector<Vec3> positions, normals;
    std::vector<std::uint16_t> indices;

    // A square facing `normal`, spanned by u and v (u x v = normal), as two
    // counter-clockwise triangles.
    void add_square(const Vec3& centre, const Vec3& normal, const Vec3& u, const Vec3& v) {
        const auto first = static_cast<std::uint16_t>(positions.size());
        for (auto [su, sv] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}}) {
            Vec3 corner;
            for (int i = 0; i < 3; ++i) corner[i] = centre[i] + su * u[i] + sv * v[i];
            positions.push_back(corner);
            normals.push_back(normal);
        }
        for (int i : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<std::uint16_t>(first + i));
    }
};

Vec3 scaled(const Vec3& v, float s) { return {v[0] * s, v[1] * s, v[2] * s}; }

// A cube of the given half size whose bottom face rests on y = 0.
MeshData cube(float half) {
    const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    const Vec3 nx{-1, 0, 0}, ny{0, -1, 0}, nz{0, 0, -1};
    MeshData mesh;
    // Each face as (normal, u, v) with u x v = normal.
    for (const auto& [n, u, v] : {std::array{x, y, z}, {nx, z, y}, {y, z, x}, {ny, x, z}, {z, x, y}, {nz, y, x}}) {
        Vec3 centre = scaled(n, half);
        centre[1] += half;
        mesh.add_square(centre, n, scaled(u, half), scaled(v, half));
    }
    return mesh;
}

MeshData floor_plane(float half) {
    MeshData mesh;
    mesh.add_square({0, 0, 0}, {0, 1, 0}, {0, 0, half}, {half, 0, 0});
    return mesh;
}

JsonValue floats(std::initializer_list<double> values) {
    JsonValue array = JsonValue::array();
    for (double value : values) array.push_back(value);
    return array;
}

// Appends meshes to one buffer, with a buffer view and an accessor per
// attribute and index list.
class GltfWriter {
public:
    GltfWriter() {
        gltf_["asset"]["version"] = "2.0";
        gltf_["asset"]["generator"] = "quillbarrow new";
        gltf_["scene"] = 0;
    }

    void add_node(const std::string& name, const MeshData& mesh, const Vec3& colour, JsonValue extras,
                  JsonValue rotation = {}) {
        const int index = nodes_++;
        JsonValue primitive = JsonValue::object();
        primitive["attributes"]["POSITION"] = add_vectors(mesh.positions, true);
        primitive["attributes"]["NORMAL"] = add_vectors(mesh.normals, false);
        primitive["indices"] = add_indices(mesh.indices);
        primitive["material"] = index;
        const auto at = static_cast<std::size_t>(index);
        gltf_["meshes"][at]["name"] = name;
        gltf_["meshes"][at]["primitives"][0] = primitive;
        gltf_["materials"][at]["name"] = name;
        gltf_["materials"][at]["pbrMetallicRoughness"]["baseColorFactor"] =
            floats({colour[0], colour[1], colour[2], 1.0});
        JsonValue& node = gltf_["nodes"][at];
        node["name"] = name;
        node["mesh"] = index;
        node["extras"] = std::move(extras);
        if (rotation.is_array()) node["rotation"] = std::move(rotation);
        gltf_["scenes"][0]["nodes"][at] = index;
    }

    std::string text() {
        gltf_["buffers"][0]["byteLength"] = static_cast<std::int64_t>(bytes_.size());
        gltf_["buffers"][0]["uri"] = "data:application/octet-stream;base64," + base64_encode(bytes_);
        return gltf_.dump(1) + "\n";
    }

private:
    int add_view(const void* data, std::size_t size, int target) {
        const int view = views_++;
        JsonValue& entry = gltf_["bufferViews"][static_cast<std::size_t>(view)];
        entry["buffer"] = 0;
        entry["byteOffset"] = static_cast<std::int64_t>(bytes_.size());
        entry["byteLength"] = static_cast<std::int64_t>(size);
        entry["target"] = target;
        bytes_.append(static_cast<const char*>(data), size);
        bytes_.resize((bytes_.size() + 3) / 4 * 4, '\0');  // the next view starts aligned
        return view;
    }

    int add_accessor(int view, int component_type, std::size_t count, const char* type) {
        const auto index = static_cast<std::size_t>(accessors_++);
        JsonValue& accessor = gltf_["accessors"][index];
        accessor["bufferView"] = view;
        accessor["componentType"] = component_type;
        accessor["count"] = static_cast<std::int64_t>(count);
        accessor["type"] = type;
        return static_cast<int>(index);
    }

    int add_vectors(const std::vector<Vec3>& vectors, bool with_bounds) {
        const int view = add_view(vectors.data(), vectors.size() * sizeof(Vec3), 34962);
        const int index = add_accessor(view, 5126, vectors.size(), "VEC3");
        if (with_bounds) {
            // POSITION accessors carry their bounds.
            Vec3 low = vectors.front(), high = vectors.front();
            for (const Vec3& v : vectors)
                for (int i = 0; i < 3; ++i) low[i] = std::min(low[i], v[i]), high[i] = std::max(high[i], v[i]);
            gltf_["accessors"][static_cast<std::size_t>(index)]["min"] = floats({low[0], low[1], low[2]});
            gltf_["accessors"][static_cast<std::size_t>(index)]["max"] = floats({high[0], high[1], high[2]});
        }
        return index;
    }

    int add_indices(const std::vector<std::uint16_t>& indices) {
        const int view = add_view(indices.data(), indices.size() * sizeof(std::uint16_t), 34963);
        return add_accessor(view, 5123, indices.size(), "SCALAR");
    }

    JsonValue gltf_ = JsonValue::object();
    std::string bytes_;
    int nodes_ = 0, views_ = 0, accessors_ = 0;
};

}  // namespace

std::string generated_stage_gltf() {
    GltfWriter writer;
    JsonValue cube_extras = JsonValue::object();
    cube_extras["tag"] = 1;
    // Turned a little about the vertical, so the light catches two faces.
    const double half_turn = 0.5 * 0.5;
    writer.add_node("cube", cube(0.9f), {1.0f, 0.48f, 0.16f}, cube_extras,
                    floats({0.0, std::sin(half_turn), 0.0, std::cos(half_turn)}));
    JsonValue floor_extras = JsonValue::object();
    floor_extras["tag"] = 0;
    floor_extras["ignore_shadow"] = true;
    writer.add_node("floor", floor_plane(12.0f), {0.2f, 0.22f, 0.32f}, floor_extras);
    return writer.text();
}

}  // namespace quillbarrow
