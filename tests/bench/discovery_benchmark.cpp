// What runtime discovery costs: LocateJavaRuntime over the in-memory registry,
// each iteration one whole search that opens and closes keys as the launcher
// does, so the in-memory registry's own cost is included (an upper bound for
// the launcher's code alone).
//   Classic/N  N version subkeys under the first classic key, all too old but
//              the last: vendor keys are never searched.
//   Vendors/N  no classic key; N versions under one vendor key, all stale but
//              the newest, and one runtime of each other vendor.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/mod_main.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using testing::FakePlatform;
using testing::MemoryRegistry;

constexpr auto k64 = RegistryView::k64Bit;
constexpr auto kHklm = kHkeyLocalMachine;
const std::u16string kHome = u"C:\\Program Files\\Java\\jre1.8.0_392";

void Search(benchmark::State& state, MemoryRegistry& registry, FakePlatform& platform) {
  platform.files.insert(kHome + u"\\bin\\java.exe");
  const std::vector<RegistryView> views = RuntimeSearchViews(true);
  for (auto _ : state) {
    std::u16string home = LocateJavaRuntime(registry, views, platform);
    // A box or another folder would make the figures mean nothing.
    if (home != kHome || !platform.messages.empty()) std::abort();
    benchmark::DoNotOptimize(home);
  }
  state.counters["subkeys"] = static_cast<double>(state.range(0));
}

void BM_Classic(benchmark::State& state) {
  MemoryRegistry registry;
  FakePlatform platform;
  const std::u16string key(kRuntimeKeyPaths[0]);
  for (std::int64_t i = 0; i + 1 < state.range(0); ++i) {
    const std::string digits = std::to_string(i);
    registry.SetString(k64, kHklm, key + u"\\1.3.1_" + std::u16string(digits.begin(), digits.end()),
                       u"JavaHome", u"C:\\old");
  }
  registry.SetString(k64, kHklm, key + u"\\1.8.0_392", u"JavaHome", kHome);
  Search(state, registry, platform);
}
BENCHMARK(BM_Classic)->Arg(1)->Arg(100)->Arg(10'000)->Unit(benchmark::kMicrosecond);

void BM_Vendors(benchmark::State& state) {
  MemoryRegistry registry;
  FakePlatform platform;
  for (std::int64_t i = 0; i + 1 < state.range(0); ++i) {
    const std::string digits = "17.0." + std::to_string(i);
    registry.SetString(k64, kHklm,
                       u"SOFTWARE\\Eclipse Adoptium\\JDK\\" +
                           std::u16string(digits.begin(), digits.end()) + u"\\hotspot\\MSI",
                       u"Path", u"C:\\gone");
  }
  registry.SetString(k64, kHklm, u"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1\\hotspot\\MSI", u"Path",
                     kHome);
  registry.SetString(k64, kHklm, u"SOFTWARE\\Microsoft\\JDK\\11.0.2\\hotspot\\MSI", u"Path", kHome);
  registry.SetString(k64, kHklm, u"SOFTWARE\\Azul Systems\\Zulu\\zulu-8", u"InstallationPath",
                     kHome);
  registry.SetString(k64, kHklm, u"SOFTWARE\\BellSoft\\Liberica\\jdk-17", u"InstallationPath",
                     kHome);
  Search(state, registry, platform);
}
BENCHMARK(BM_Vendors)->Arg(1)->Arg(100)->Arg(10'000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace smeltra

BENCHMARK_MAIN();
