#include "scene/gltf_accessor.h"

namespace quillbarrow {

bool locate_accessor(const tinygltf::Model& gltf, int accessor_index, AccessorSpan* span, std::string* why) {
    auto fail = [why](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (accessor_index < 0 || static_cast<std::size_t>(accessor_index) >= gltf.accessors.size()) {
        return fail("accessor " + std::to_string(accessor_index) + " does not exist");
    }
    const tinygltf::Accessor& accessor = gltf.accessors[accessor_index];
    if (accessor.bufferView < 0 || static_cast<std::size_t>(accessor.bufferView) >= gltf.bufferViews.size()) {
        return fail("accessor " + std::to_string(accessor_index) + " has no buffer view");
    }
    const tinygltf::BufferView& view = gltf.bufferViews[accessor.bufferView];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= gltf.buffers.size()) {
        return fail("buffer view " + std::to_string(accessor.bufferView) + " has no buffer");
    }
    int component_size = tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(accessor.componentType));
    int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
    int stride = accessor.ByteStride(view);
    if (component_size <= 0 || components <= 0 || stride <= 0) {
        return fail("accessor " + std::to_string(accessor_index) + " has an unknown type or component type");
    }
    std::size_t buffer_length = gltf.buffers[view.buffer].data.size();
    if (view.byteOffset > buffer_length || view.byteLength > buffer_length - view.byteOffset) {
        return fail("buffer view " + std::to_string(accessor.bufferView) + " runs past its buffer");
    }
    std::size_t element_size = static_cast<std::size_t>(component_size) * static_cast<std::size_t>(components);
    if (accessor.count > 0) {
        // Last element: starts (count - 1) strides in and must end inside the
        // view. Compared by subtraction so that no product can overflow.
        bool fits = accessor.byteOffset <= view.byteLength && element_size <= view.byteLength - accessor.byteOffset;
        if (fits) {
            std::size_t room = view.byteLength - accessor.byteOffset - element_size;
            fits = accessor.count - 1 <= room / static_cast<std::size_t>(stride);
        }
        if (!fits) return fail("accessor " + std::to_string(accessor_index) + " runs past its buffer view");
    }
    if (span) {
        span->buffer = view.buffer;
        span->offset = view.byteOffset + accessor.byteOffset;
        span->stride = static_cast<std::size_t>(stride);
        span->element_size = element_size;
        span->count = accessor.count;
    }
    return true;
}

}  // namespace quillbarrow
