#include "expected_discovery.h"

#include "launcher/runtime_messages.h"
#include "launcher/runtime_version.h"
#include "registry/launcher_error.h"

namespace smeltra::fuzz {
namespace {

namespace msg = runtime_messages;

DiscoveryOutcome SearchError(std::string description) {
  return {"", {std::move(description), std::string(msg::kSearchError)}, std::nullopt};
}

}  // namespace

DiscoveryOutcome ExpectDiscovery(RegistryModel& model, std::span<const RegistryView> views) {
  bool some_key_opened = false;
  for (std::size_t index = 0; index < RegistryModel::kKeyCount; ++index) {
    for (const RegistryView view : views) {
      ModelKey& key = model.RuntimeKey(view, index);
      if (!Openable(key)) continue;
      some_key_opened = true;
      for (const std::string& name : Listing(key)) {
        try {
          if (RuntimeVersionNumber(name) < kMinimumRuntimeVersion) continue;
        } catch (const LauncherError& error) {
          return SearchError(error.description());
        }
        const ExpectedRead read = Read(key.Subkey(name), "JavaHome", std::nullopt);
        if (read.unsupported_type) return SearchError("Unsupported value type");
        return {JavaHomeText(read.value), {}, std::nullopt};
      }
    }
  }
  if (!some_key_opened)
    return {"", {std::string(msg::kNotInstalled)}, ExitCode::kNoRuntimeInstalled};
  return {"", {std::string(msg::kNotNewEnough)}, ExitCode::kNoRuntimeNewEnough};
}

std::set<std::string> StoredJavaHomeTexts(RegistryModel& model) {
  std::set<std::string> texts;
  for (const RegistryView view : {RegistryView::k64Bit, RegistryView::k32Bit}) {
    for (std::size_t index = 0; index < RegistryModel::kKeyCount; ++index) {
      for (ModelKey& subkey : model.RuntimeKey(view, index).subkeys) {
        if (const ModelValue* value = subkey.Value("JavaHome")) {
          const ExpectedRead read = Convert(value->type, value->data);
          if (!read.unsupported_type) texts.insert(JavaHomeText(read.value));
        }
      }
    }
  }
  return texts;
}

}  // namespace smeltra::fuzz
