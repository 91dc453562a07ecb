#include "registry/registry.h"

namespace smeltra {

std::uint32_t ViewAccessFlag(RegistryView view) {
  switch (view) {
    case RegistryView::k64Bit:
      return kKeyWow64_64Key;
    case RegistryView::k32Bit:
      return kKeyWow64_32Key;
    case RegistryView::kNative:
      break;
  }
  return 0;
}

}  // namespace smeltra
