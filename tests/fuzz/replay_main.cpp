// Replays fuzz inputs through a fuzz target without libFuzzer: every file named on
// the command line, or every file inside a named folder, is fed to the target once.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void ReplayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

int main(int argc, char** argv) {
  size_t count = 0;
  for (int a = 1; a < argc; ++a) {
    std::filesystem::path arg(argv[a]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        if (entry.is_regular_file()) {
          ReplayFile(entry.path());
          ++count;
        }
      }
    } else if (std::filesystem::exists(arg)) {
      ReplayFile(arg);
      ++count;
    }
  }
  // An empty corpus still checks the empty input.
  static const uint8_t kEmpty[1] = {0};
  LLVMFuzzerTestOneInput(kEmpty, 0);
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
