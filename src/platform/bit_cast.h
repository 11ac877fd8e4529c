#pragma once

#include <bit>
#include <cstring>
#include <type_traits>

namespace quillbarrow {

// std::bit_cast where the standard library has it; the web build's libc++
// (Emscripten 3.1.6) does not, and gets the same bytes through memcpy.
template <class To, class From>
To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> && std::is_trivially_copyable_v<From>);
#if defined(__cpp_lib_bit_cast)
    return std::bit_cast<To>(from);
#else
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
#endif
}

}  // namespace quillbarrow
