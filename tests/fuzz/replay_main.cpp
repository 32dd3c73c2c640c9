// Runs a fuzz target once over every file named on the command line, or over
// every regular file inside a named folder. Used when libFuzzer is not linked
// (gcc builds), so the seed corpus still runs in every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int runFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Copy into an exact-size heap block so ASan sees reads past the end.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  std::size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (!entry.is_regular_file()) continue;
        failures += runFile(entry.path());
        ++runs;
      }
    } else {
      failures += runFile(arg);
      ++runs;
    }
  }
  std::printf("replayed %zu inputs\n", runs);
  if (runs == 0) {
    std::fprintf(stderr, "no inputs replayed\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
