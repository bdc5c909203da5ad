// Writes screenshots for test artifacts as PNG (stored deflate: no compression library).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// pixels: width * height values 0x00RRGGBB, top row first.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);
