#include "scene/gltf_accessor.h"

#include <cstring>

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

namespace {

bool fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

// The view's bytes [offset, offset + length) once checked to lie inside
// the view and the view inside its buffer; null otherwise.
const unsigned char* view_bytes(const tinygltf::Model& gltf, int view_index, std::size_t offset, std::size_t length) {
    if (view_index < 0 || static_cast<std::size_t>(view_index) >= gltf.bufferViews.size()) return nullptr;
    const tinygltf::BufferView& view = gltf.bufferViews[view_index];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= gltf.buffers.size()) return nullptr;
    const std::vector<unsigned char>& buffer = gltf.buffers[view.buffer].data;
    if (view.byteOffset > buffer.size() || view.byteLength > buffer.size() - view.byteOffset) return nullptr;
    if (offset > view.byteLength || length > view.byteLength - offset) return nullptr;
    return buffer.data() + view.byteOffset + offset;
}

std::size_t index_size(int component_type) {
    switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: return 4;
    default: return 0;
    }
}

std::uint32_t read_index(const unsigned char* at, std::size_t size) {
    std::uint32_t value = 0;
    if (size == 1) value = *at;
    if (size == 2) {
        std::uint16_t v;
        std::memcpy(&v, at, sizeof v);
        value = v;
    }
    if (size == 4) std::memcpy(&value, at, sizeof value);
    return value;
}

// Writes the sparse values over the dense elements, every count, offset
// and index checked first.
bool apply_sparse(const tinygltf::Model& gltf, const tinygltf::Accessor& accessor, const std::string& name,
                  DenseAccessor* out, std::string* why) {
    const auto& sparse = accessor.sparse;
    if (sparse.count < 1 || static_cast<std::size_t>(sparse.count) > out->count)
        return fail(why, name + " has a sparse count of " + std::to_string(sparse.count) + " for " +
                             std::to_string(out->count) + " elements");
    const auto count = static_cast<std::size_t>(sparse.count);
    const std::size_t isize = index_size(sparse.indices.componentType);
    if (isize == 0) return fail(why, name + " has sparse indices that are not unsigned integers");
    if (sparse.indices.byteOffset < 0 || sparse.values.byteOffset < 0)
        return fail(why, name + " has a negative sparse byte offset");
    const unsigned char* indices =
        view_bytes(gltf, sparse.indices.bufferView, static_cast<std::size_t>(sparse.indices.byteOffset), count * isize);
    if (!indices) return fail(why, name + " has sparse indices outside their buffer view");
    const unsigned char* values = view_bytes(
        gltf, sparse.values.bufferView, static_cast<std::size_t>(sparse.values.byteOffset), count * out->element_size);
    if (!values) return fail(why, name + " has sparse values outside their buffer view");
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t index = read_index(indices + k * isize, isize);
        if (index >= out->count)
            return fail(why, name + " has sparse index " + std::to_string(index) + " past its " +
                                 std::to_string(out->count) + " elements");
        std::memcpy(out->bytes.data() + index * out->element_size, values + k * out->element_size, out->element_size);
    }
    return true;
}

}  // namespace

bool needs_dense_copy(const tinygltf::Accessor& accessor) {
    return accessor.sparse.isSparse || accessor.bufferView < 0;
}

bool read_dense_accessor(const tinygltf::Model& gltf, int accessor_index, DenseAccessor* out, std::string* why) {
    const std::string name = "accessor " + std::to_string(accessor_index);
    if (accessor_index < 0 || static_cast<std::size_t>(accessor_index) >= gltf.accessors.size())
        return fail(why, name + " does not exist");
    const tinygltf::Accessor& accessor = gltf.accessors[accessor_index];
    if (accessor.bufferView >= 0) {
        AccessorSpan span;
        if (!locate_accessor(gltf, accessor_index, &span, why)) return false;
        out->element_size = span.element_size;
        out->count = span.count;
        out->bytes.resize(span.count * span.element_size);
        const unsigned char* data = gltf.buffers[span.buffer].data.data() + span.offset;
        for (std::size_t e = 0; e < span.count; ++e)
            std::memcpy(out->bytes.data() + e * span.element_size, data + e * span.stride, span.element_size);
    } else {
        const int component_size =
            tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(accessor.componentType));
        const int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type));
        if (component_size <= 0 || components <= 0) return fail(why, name + " has an unknown type or component type");
        out->element_size = static_cast<std::size_t>(component_size) * static_cast<std::size_t>(components);
        if (accessor.count > kMaxDenseAccessorBytes / out->element_size)
            return fail(why, name + " of " + std::to_string(accessor.count) + " elements is too large");
        out->count = accessor.count;
        out->bytes.assign(out->count * out->element_size, 0);
    }
    if (accessor.sparse.isSparse) return apply_sparse(gltf, accessor, name, out, why);
    return true;
}

}  // namespace quillbarrow
