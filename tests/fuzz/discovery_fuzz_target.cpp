// Fuzzes runtime discovery and the registry helpers over a registry built from
// the input (see scenario.h for how the input is read). Every property below
// is checked here and aborts the process when broken, so that the fuzzer
// keeps the input, independently of what the sanitizers find.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "expected_discovery.h"
#include "launcher/mod_main.h"
#include "launcher/runtime_messages.h"
#include "launcher/user_interface.h"
#include "registry/launcher_error.h"
#include "registry/mregistry.h"
#include "scenario.h"
#include "tests/support/recording_user_interface.h"

namespace smeltra::fuzz {
namespace {

namespace msg = runtime_messages;
constexpr KeyHandle kHive = kHkeyLocalMachine;

// Non-printable bytes as \xNN, so that a report shows what was compared.
std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

std::string Describe(const DiscoveryOutcome& outcome) {
  std::string text = "java_home=\"" + Escaped(outcome.java_home) + "\" boxes=[";
  for (const std::string& box : outcome.messages) text += " \"" + Escaped(box) + "\"";
  text += " ] ended=";
  text += outcome.ended ? std::to_string(static_cast<int>(*outcome.ended)) : "no";
  return text;
}

void Check(bool holds, std::string_view property, const std::string& detail = {}) {
  if (holds) return;
  std::fprintf(stderr, "fuzz invariant broken: %.*s\n%s\n", static_cast<int>(property.size()),
               property.data(), detail.c_str());
  std::abort();
}

using testing::ProgramEnded;
using RecordingUi = testing::RecordingUserInterface;

std::uint32_t ReadAccessIn(RegistryView view) {
  switch (view) {
    case RegistryView::k64Bit:
      return kKeyRead | kKeyWow64_64Key;
    case RegistryView::k32Bit:
      return kKeyRead | kKeyWow64_32Key;
    case RegistryView::kNative:
      break;
  }
  return kKeyRead;
}

// Every mask asked for since `from` must be read access in one of `views`.
void CheckReadAccessOnly(const InMemoryRegistry& registry, std::size_t from,
                         std::span<const RegistryView> views) {
  const std::vector<std::uint32_t>& masks = registry.requested_access();
  for (std::size_t i = from; i < masks.size(); ++i) {
    bool allowed = false;
    for (const RegistryView view : views) allowed = allowed || masks[i] == ReadAccessIn(view);
    Check(allowed, "only read access is asked for", "mask " + std::to_string(masks[i]));
  }
}

void CheckNothingLeftOpen(const InMemoryRegistry& registry, std::string_view after) {
  Check(registry.open_handle_count() == 0, "no key is left open", std::string(after));
}

bool IsDocumentedSequence(const DiscoveryOutcome& o) {
  if (o.messages.empty()) return !o.ended;
  if (!o.java_home.empty()) return false;
  if (o.messages.size() == 1 && o.messages[0] == msg::kNotInstalled) {
    return o.ended == ExitCode::kNoRuntimeInstalled;
  }
  if (o.messages.size() == 1 && o.messages[0] == msg::kNotNewEnough) {
    return o.ended == ExitCode::kNoRuntimeNewEnough;
  }
  return o.messages.size() == 2 && o.messages[1] == msg::kSearchError && !o.ended;
}

void CheckDiscovery(Scenario& s) {
  const std::vector<RegistryView> views = RuntimeSearchViews(s.two_views);
  const std::set<std::string> stored = StoredJavaHomeTexts(s.model);
  const DiscoveryOutcome expected = ExpectDiscovery(s.model, views);
  const std::size_t masks_before = s.registry.requested_access().size();

  RecordingUi ui;
  DiscoveryOutcome actual;
  try {
    actual.java_home = LocateJavaRuntime(s.registry, views, ui);
  } catch (const ProgramEnded& end) {
    actual.ended = end.code;
  }
  actual.messages = ui.messages;

  CheckNothingLeftOpen(s.registry, "LocateJavaRuntime");
  CheckReadAccessOnly(s.registry, masks_before, views);
  Check(IsDocumentedSequence(actual), "the boxes are one documented sequence", Describe(actual));
  Check(actual.java_home.empty() || stored.contains(actual.java_home),
        "the folder found is a stored JavaHome", Describe(actual));
  Check(actual == expected, "discovery does what the documented search does",
        "expected " + Describe(expected) + "\nactual   " + Describe(actual));
}

// One RegReadValue call against the model's answer for it.
void CheckRead(Scenario& s, RegistryView view, ModelKey& key, const std::string& path,
               const std::string& value_name, const std::optional<RegistryValue>& default_value) {
  const ExpectedRead expected = Read(&key, value_name, default_value);
  const std::size_t masks_before = s.registry.requested_access().size();
  const std::size_t queries_before = s.registry.query_count();
  const std::string where =
      "RegReadValue \"" + Escaped(path) + "\" \"" + Escaped(value_name) + "\"";
  try {
    const RegistryValue actual =
        RegReadValue(s.registry, view, kHive, path, value_name, default_value);
    Check(!expected.unsupported_type, "an unsupported type raises error 1001", where);
    Check(actual == expected.value, "a value reads as its type's conversion says", where);
  } catch (const LauncherError& error) {
    Check(expected.unsupported_type && error.number() == 1001 &&
              error.description() == "Unsupported value type",
          "only an unsupported type raises, and as error 1001", where);
  }
  Check(s.registry.query_count() - queries_before <= 2, "a read takes at most two queries", where);
  CheckNothingLeftOpen(s.registry, where);
  CheckReadAccessOnly(s.registry, masks_before, std::span(&view, 1));
}

void CheckReads(Scenario& s, RegistryView view, ModelKey& key, const std::string& path) {
  std::vector<std::string> names{"JavaHome", "no such value"};
  for (const ModelValue& value : key.values) names.push_back(value.name);
  const std::optional<RegistryValue> defaults[] = {std::nullopt, RegistryValue{std::int32_t{-7}},
                                                   RegistryValue{std::string("default")}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    CheckRead(s, view, key, path, names[i], defaults[i % std::size(defaults)]);
  }
}

void CheckKeyExists(Scenario& s, RegistryView view, const ModelKey& key, const std::string& path) {
  const std::size_t masks_before = s.registry.requested_access().size();
  Check(RegKeyExists(s.registry, view, kHive, path) == Openable(key),
        "a key exists exactly when it can be opened for reading", Escaped(path));
  CheckNothingLeftOpen(s.registry, "RegKeyExists " + Escaped(path));
  CheckReadAccessOnly(s.registry, masks_before, std::span(&view, 1));
}

void CheckListing(Scenario& s, RegistryView view, const ModelKey& key, const std::string& path) {
  const std::size_t masks_before = s.registry.requested_access().size();
  Check(RegListSubkeys(s.registry, view, kHive, path).names() == Listing(key),
        "a listing holds the subkeys in order up to a failing index", Escaped(path));
  CheckNothingLeftOpen(s.registry, "RegListSubkeys " + Escaped(path));
  CheckReadAccessOnly(s.registry, masks_before, std::span(&view, 1));
  if (!Openable(key)) return;

  // With an empty path the caller's own handle is listed and stays open.
  KeyHandle handle = 0;
  Check(s.registry.OpenKey(kHive, path, ReadAccessIn(view), handle) == reg_result::kSuccess,
        "the model and the registry agree that the key opens", Escaped(path));
  Check(RegListSubkeys(s.registry, view, handle, "").names() == Listing(key),
        "an empty path lists the caller's handle", Escaped(path));
  Check(s.registry.open_handle_count() == 1, "the caller's handle is left open", Escaped(path));
  s.registry.CloseKey(handle);
}

void CheckHelpers(Scenario& s) {
  for (const RegistryView view :
       {RegistryView::kNative, RegistryView::k64Bit, RegistryView::k32Bit}) {
    for (std::size_t index = 0; index < RegistryModel::kKeyCount; ++index) {
      ModelKey& key = s.model.RuntimeKey(view, index);
      const std::string path = RuntimeKeyPath(index);
      CheckKeyExists(s, view, key, path);
      CheckListing(s, view, key, path);
      CheckReads(s, view, key, path);
      for (ModelKey& subkey : key.subkeys) {
        const std::string subkey_path = SubkeyPath(index, subkey.name);
        CheckKeyExists(s, view, subkey, subkey_path);
        CheckReads(s, view, subkey, subkey_path);
      }
    }
  }
}

}  // namespace
}  // namespace smeltra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace smeltra::fuzz;
  Scenario scenario = DecodeScenario(std::span(data, size));
  CheckDiscovery(scenario);
  CheckHelpers(scenario);
  return 0;
}
