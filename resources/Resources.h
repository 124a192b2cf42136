#pragma once
// Files built into the program: the logo, the icon and the skin images.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  size_t size;
};

const EmbeddedResource* EmbeddedResources(size_t& count);

// The resource of that file name, or nullptr.
inline const EmbeddedResource* FindResource(std::string_view name) {
  size_t n = 0;
  const EmbeddedResource* all = EmbeddedResources(n);
  for (size_t i = 0; i < n; ++i)
    if (name == all[i].name) return &all[i];
  return nullptr;
}
