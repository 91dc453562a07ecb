// What runtime discovery costs: one whole LocateJavaRuntime per iteration over
// the in-memory registry, whose own cost is included (an upper bound).
//   Classic/N  N version subkeys under the first classic key, all too old but
//              the last: vendor keys are never searched.
//   Vendors/N  no classic key; N versions under one vendor key, all stale but
//              the newest, and one runtime of three other vendors.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "common/text.h"
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
    put(key + (vendors ? u"17.0." : u"1.3.1_") + Decimal(static_cast<std::uint64_t>(i)) + tail,
        value, u"C:\\old");
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
    const auto found = LocateJavaRuntime(registry, views, platform, u"C:\\");
    // Another folder would make the figures mean nothing.
    if (std::get<FoundRuntime>(found).home != kHome) std::abort();
    benchmark::DoNotOptimize(found);
  }
  state.counters["subkeys"] = static_cast<double>(state.range(0));
}
BENCHMARK_CAPTURE(BM_Search, Classic, false)->Arg(1)->Arg(100)->Arg(10'000);
BENCHMARK_CAPTURE(BM_Search, Vendors, true)->Arg(1)->Arg(100)->Arg(10'000);

}  // namespace
}  // namespace smeltra

BENCHMARK_MAIN();
