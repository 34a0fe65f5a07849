// Writes RGBA pixels (rows top-down) as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
