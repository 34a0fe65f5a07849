// PNG files of RGBA pixels, rows top-down: the headless renderer's frames and the
// program's screenshots out, and back in for checking them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes the pixels as an RGB PNG (alpha dropped: frames are opaque) to `file`, which
// stays open. False, with libpng's reason in *error, when it cannot.
bool WritePng(std::FILE* file, int width, int height, const std::vector<uint8_t>& rgba, std::string* error);
// The same to the file at `path`, made or replaced.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
              std::string* error = nullptr);

// Reads a PNG as RGBA pixels, rows top-down. False when it cannot be read.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgba);
