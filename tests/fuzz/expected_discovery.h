#pragma once

#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "launcher/exit_code.h"
#include "registry_model.h"

namespace smeltra::fuzz {

// What LocateJavaRuntime must do with the registry that `model` describes:
// the folder it returns, the boxes it shows in order, and how the program
// ends, if it does.
struct DiscoveryOutcome {
  std::string java_home;
  std::vector<std::string> messages;
  std::optional<ExitCode> ended;

  bool operator==(const DiscoveryOutcome&) const = default;
};

// Walks the model as the documented search does (keys in order, each in each
// of `views`, first passing subkey in enumeration order) and reads the chosen
// JavaHome through the model, so growing values grow as they do in the real
// read. Version names are judged by the product's own RuntimeVersionNumber,
// whose rules its unit tests pin down.
DiscoveryOutcome ExpectDiscovery(RegistryModel& model, std::span<const RegistryView> views);

// Every text a JavaHome value stored below any runtime key converts to.
std::set<std::string> StoredJavaHomeTexts(RegistryModel& model);

}  // namespace smeltra::fuzz
