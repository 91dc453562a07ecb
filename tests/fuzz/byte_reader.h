#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace smeltra::fuzz {

// Takes a fuzzer's input apart from the front. Reading past the end is not an
// error: it yields zeros and empty byte runs, so every input decodes to some
// scenario and the fuzzer never wastes time on inputs that are "invalid".
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> input) : input_(input) {}

  bool empty() const { return position_ >= input_.size(); }

  std::uint8_t Byte() { return empty() ? 0 : input_[position_++]; }

  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{Byte()} << shift;
    return value;
  }

  // Up to `count` bytes; fewer when the input ends first.
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    const std::size_t taken = std::min(count, input_.size() - std::min(position_, input_.size()));
    std::vector<std::uint8_t> bytes(
        input_.begin() + static_cast<std::ptrdiff_t>(position_),
        input_.begin() + static_cast<std::ptrdiff_t>(position_ + taken));
    position_ += taken;
    return bytes;
  }

 private:
  std::span<const std::uint8_t> input_;
  std::size_t position_ = 0;
};

}  // namespace smeltra::fuzz
