#pragma once

#include <cstddef>
#include <string>

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

}  // namespace quillbarrow
