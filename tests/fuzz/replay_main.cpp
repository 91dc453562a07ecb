// Without libFuzzer, a fuzz target replays its seed corpus (the folder given)
// once as a test.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(argc > 1 ? argv[1] : ".")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ++replayed;
  }
  return replayed > 0 ? 0 : 1;
}
