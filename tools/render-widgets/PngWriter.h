#pragma once
// A small PNG writer: 8-bit RGB, no filtering, stored (uncompressed) deflate
// blocks. Enough for screenshots of a few hundred pixels.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace kvx {

// pixels: width * height values 0x00RRGGBB, top row first.
bool WritePng(const std::filesystem::path& path, int width, int height,
              const std::vector<std::uint32_t>& pixels);

}  // namespace kvx
