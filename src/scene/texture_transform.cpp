#include "scene/texture_transform.h"

#include <cmath>

namespace quillbarrow {

namespace {

constexpr const char* kExtension = "KHR_texture_transform";

// A finite number, or the fallback.
float number_or(const tinygltf::Value& value, float fallback) {
    if (!value.IsNumber()) return fallback;
    const double number = value.GetNumberAsDouble();
    return std::isfinite(number) ? static_cast<float>(number) : fallback;
}

// Two finite numbers of a member, or the fallback pair.
void read_pair(const tinygltf::Value& object, const char* key, float fallback, float* x, float* y) {
    *x = *y = fallback;
    if (!object.Has(key)) return;
    const tinygltf::Value& pair = object.Get(key);
    if (!pair.IsArray() || pair.ArrayLen() != 2) return;
    *x = number_or(pair.Get(0), fallback);
    *y = number_or(pair.Get(1), fallback);
}

int checked_set(int set) { return set == 0 || set == 1 ? set : 0; }

}  // namespace

TextureTransform texture_transform(int texcoord, const tinygltf::ExtensionMap& extensions) {
    TextureTransform transform;
    transform.texcoord = checked_set(texcoord);
    const auto found = extensions.find(kExtension);
    if (found == extensions.end() || !found->second.IsObject()) return transform;
    const tinygltf::Value& extension = found->second;

    float offset_x, offset_y, scale_x, scale_y;
    read_pair(extension, "offset", 0.0f, &offset_x, &offset_y);
    read_pair(extension, "scale", 1.0f, &scale_x, &scale_y);
    const float rotation = extension.Has("rotation") ? number_or(extension.Get("rotation"), 0.0f) : 0.0f;
    if (extension.Has("texCoord") && extension.Get("texCoord").IsInt())
        transform.texcoord = checked_set(extension.Get("texCoord").Get<int>());

    const float c = std::cos(rotation), s = std::sin(rotation);
    // Columns: translation * rotation * scale.
    transform.matrix =
        glm::mat3(c * scale_x, -s * scale_x, 0.0f, s * scale_y, c * scale_y, 0.0f, offset_x, offset_y, 1.0f);
    return transform;
}

}  // namespace quillbarrow
