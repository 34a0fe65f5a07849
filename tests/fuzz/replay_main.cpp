// Replays fuzz inputs through a fuzz target without libFuzzer: every file named on
// the command line, or every file inside a named folder, is fed to the target once.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int a = 1; a < argc; ++a) {
    if (!std::filesystem::is_directory(argv[a])) {
      files.emplace_back(argv[a]);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[a])) files.push_back(entry.path());
  }
  // An empty corpus still checks the empty input.
  static const uint8_t kEmpty[1] = {0};
  LLVMFuzzerTestOneInput(kEmpty, 0);
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  return 0;
}
