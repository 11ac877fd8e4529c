#pragma once

#include <string>

namespace quillbarrow {

// The fragment dialect follows the mainImage convention of online shader
// editors, with time counted in beats. A content shader carries its own copy
// of the prelude; the system never inserts it.
extern const std::string fragment_prelude;
extern const std::string default_fragment_body;
// The vertex shader of every full-screen pass.
extern const std::string default_vertex_source;

}  // namespace quillbarrow
