// PNG files for the headless renderer: frames out, and back in for its tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

// Reads a PNG as RGBA pixels, rows top-down. False when it cannot be read.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba);
