#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <tiny_gltf.h>

namespace quillbarrow {

// Where the elements of a glTF accessor lie in its buffer, once checked.
struct AccessorSpan {
    int buffer = -1;               // glTF buffer index
    std::size_t offset = 0;        // byte offset of element 0 in the buffer
    std::size_t stride = 0;        // bytes from one element to the next
    std::size_t element_size = 0;  // bytes of one element
    std::size_t count = 0;
};

// False, with the reason in *why, when the accessor, its buffer view or its
// buffer does not exist, its component type or type is unknown, or its last
// element would end past its buffer view or its buffer.
bool locate_accessor(const tinygltf::Model& gltf, int accessor, AccessorSpan* span, std::string* why);

// The elements of an accessor copied out tightly packed.
struct DenseAccessor {
    std::vector<unsigned char> bytes;  // count * element_size
    std::size_t element_size = 0;
    std::size_t count = 0;
};

// Largest accessor a sparse substitution over zeros may expand to: such an
// accessor has no buffer that bounds its count.
constexpr std::size_t kMaxDenseAccessorBytes = std::size_t{1} << 28;

// The accessor's elements with its sparse substitution applied: the
// elements of its buffer view, or zeros when it has none, with the sparse
// values written at the sparse indices. False, with the reason, when the
// accessor does not lie in its buffer, the sparse count exceeds the
// accessor's, an index or value view lies outside its buffer, an index is
// past the count, or zeros would exceed kMaxDenseAccessorBytes.
bool read_dense_accessor(const tinygltf::Model& gltf, int accessor, DenseAccessor* out, std::string* why);

}  // namespace quillbarrow
