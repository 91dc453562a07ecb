// What runtime discovery costs per version subkey: LocateJavaRuntime over the
// in-memory registry with 1, 100 and 10,000 version subkeys under the first
// runtime key, all too old but the last, so that the walk reads every name
// and then the one JavaHome. The registry is built once per size; each
// iteration is one whole search, opening and closing keys as the launcher
// does. The in-memory registry's own cost is included: the figure is an
// upper bound for the launcher's code alone.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/mod_main.h"
#include "launcher/user_interface.h"
#include "registry/memory_registry.h"

namespace smeltra {
namespace {

constexpr std::string_view kHome = "C:\\Program Files\\Java\\jre1.8.0_392";

// The search under test never shows a box; if it does, the figures mean
// nothing, so stop.
class SilentUserInterface final : public UserInterface {
 public:
  void ShowMessage(std::string_view) override { std::abort(); }
  [[noreturn]] void EndProgram(ExitCode) override { std::abort(); }
};

InMemoryRegistry RegistryWithSubkeys(std::int64_t count) {
  InMemoryRegistry registry;
  const std::string key(kRuntimeKeyPaths[0]);
  for (std::int64_t i = 0; i + 1 < count; ++i) {
    registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine,
                       key + "\\1.3.1_" + std::to_string(i), "JavaHome", "C:\\old");
  }
  registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine, key + "\\1.8.0_392", "JavaHome",
                     kHome);
  return registry;
}

void BM_LocateJavaRuntime(benchmark::State& state) {
  const std::int64_t subkeys = state.range(0);
  InMemoryRegistry registry = RegistryWithSubkeys(subkeys);
  const std::vector<RegistryView> views = RuntimeSearchViews(true);
  SilentUserInterface ui;
  for (auto _ : state) {
    std::string home = LocateJavaRuntime(registry, views, ui);
    if (home != kHome) std::abort();
    benchmark::DoNotOptimize(home);
  }
  state.SetItemsProcessed(state.iterations() * subkeys);
  state.counters["subkeys"] = static_cast<double>(subkeys);
}
BENCHMARK(BM_LocateJavaRuntime)->Arg(1)->Arg(100)->Arg(10'000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace smeltra

BENCHMARK_MAIN();
