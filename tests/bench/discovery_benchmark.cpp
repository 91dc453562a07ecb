// What runtime discovery costs: one whole LocateJavaRuntime per iteration over
// the in-memory registry, whose own cost is included (an upper bound).
//   Classic/N  N version subkeys under the first classic key, all too old but
//              the last: vendor keys are never searched.
//   Vendors/N  no classic key; N versions under one vendor key, all stale but
//              the newest, and one runtime of three other vendors.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "launcher/mod_main.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

const std::u16string kHome = u"C:\\Program Files\\Java\\jre1.8.0_392";

void BM_Search(benchmark::State& state, bool vendors) {
  testing::MemoryRegistry registry;
  testing::FakePlatform platform;
  const auto put = [&](const std::u16string& key, const std::u16string& value,
                       const std::u16string& folder) {
    registry.SetValue(RegistryView::k64Bit, kHkeyLocalMachine, u"SOFTWARE\\" + key, value,
                      {reg_type::kSz, testing::MemoryRegistry::LeBytes(folder + u'\0')});
  };
  const std::u16string key =
      vendors ? u"Eclipse Adoptium\\JDK\\" : u"JavaSoft\\Java Runtime Environment\\";
  const std::u16string tail = vendors ? u"\\hotspot\\MSI" : u"";
  const std::u16string value = vendors ? u"Path" : u"JavaHome";
  for (std::int64_t i = 0; i + 1 < state.range(0); ++i) {
    const std::string digits = (vendors ? "17.0." : "1.3.1_") + std::to_string(i);
    put(key + std::u16string(digits.begin(), digits.end()) + tail, value, u"C:\\old");
  }
  put(key + (vendors ? u"21.0.1" : u"1.8.0_392") + tail, value, kHome);
  if (vendors) {
    put(u"Microsoft\\JDK\\11.0.2\\hotspot\\MSI", u"Path", kHome);
    put(u"Azul Systems\\Zulu\\zulu-8", u"InstallationPath", kHome);
    put(u"BellSoft\\Liberica\\jdk-17", u"InstallationPath", kHome);
  }
  platform.files.insert(kHome + u"\\bin\\java.exe");
  const std::vector<RegistryView> views = RuntimeSearchViews(true);
  for (auto _ : state) {
    std::u16string home = LocateJavaRuntime(registry, views, platform, u"C:\\");
    // A box or another folder would make the figures mean nothing.
    if (home != kHome || !platform.messages.empty()) std::abort();
    benchmark::DoNotOptimize(home);
  }
  state.counters["subkeys"] = static_cast<double>(state.range(0));
}
BENCHMARK_CAPTURE(BM_Search, Classic, false)->Arg(1)->Arg(100)->Arg(10'000);
BENCHMARK_CAPTURE(BM_Search, Vendors, true)->Arg(1)->Arg(100)->Arg(10'000);

}  // namespace
}  // namespace smeltra

BENCHMARK_MAIN();
