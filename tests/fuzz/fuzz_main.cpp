// libFuzzer entry point; SWX_FUZZ_TARGET names the target of this executable.
#include <cstddef>
#include <cstdint>

#include "fuzz_targets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return swx::fuzz::SWX_FUZZ_TARGET(data, size);
}
