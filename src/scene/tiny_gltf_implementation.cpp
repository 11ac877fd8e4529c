// The glTF library's implementation, compiled once. stb_image and
// stb_image_write come from the system's stb library.
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
