#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillbarrow {

class ISerializable;

// Binary references are object keys: the document writes a key before every
// top-level record and a reference as the key of its target (0 for none).
// After all lists are read, keys are resolved through this map.
using ObjectMap = std::unordered_map<std::uint64_t, ISerializable*>;

// The object read under a key, if it is of the expected kind.
template <class T>
T* resolve_key(const ObjectMap& objects, std::uint64_t key) {
    if (key == 0) return nullptr;
    auto it = objects.find(key);
    return it == objects.end() ? nullptr : dynamic_cast<T*>(it->second);
}

// JSON references are names, looked up per kind after a JSON load.
template <class T>
using NameMap = std::unordered_map<std::string, T*>;

template <class T>
T* resolve_name(const NameMap<T>& names, const std::string& name) {
    auto it = names.find(name);
    return it == names.end() ? nullptr : it->second;
}

}  // namespace quillbarrow
