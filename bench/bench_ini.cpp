// Key-by-key reading of a configuration-sized document: the pattern of the
// product's configuration and the language texts.
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/Locale.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace ZUX;

namespace {

constexpr int kSections = 12;
constexpr int kKeysPerSection = 30;

String SectionName(int s) {
    return u"Section" + IntToStr(s);
}

String KeyName(int k) {
    return u"SomeOptionKey" + IntToStr(k);
}

String Document() {
    String text;
    for (int s = 0; s < kSections; ++s) {
        text += u"[" + SectionName(s) + u"]\r\n";
        for (int k = 0; k < kKeysPerSection; ++k)
            text += KeyName(k) + u"=" + IntToStr(s * 1000 + k) + u"\r\n";
        text += u"\r\n";
    }
    return text;
}

// Every key of a section read in a row: the most recent section shortcut helps.
void BM_IniReadKeyByKey(benchmark::State& state) {
    TZUXIniFile ini;
    ini.LoadFromString(Document());
    std::vector<String> sections, keys;
    for (int s = 0; s < kSections; ++s) sections.push_back(SectionName(s));
    for (int k = 0; k < kKeysPerSection; ++k) keys.push_back(KeyName(k));
    for (auto _ : state) {
        int64_t sum = 0;
        for (const String& section : sections)
            for (const String& key : keys) sum += ini.ReadInteger(section, key, 0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSections * kKeysPerSection);
}
BENCHMARK(BM_IniReadKeyByKey);

// Alternating sections with names in another letter case: no shortcut.
void BM_IniReadAcrossSections(benchmark::State& state) {
    TZUXIniFile ini;
    ini.LoadFromString(Document());
    std::vector<std::pair<String, String>> lookups;
    for (int k = 0; k < kKeysPerSection; ++k)
        for (int s = 0; s < kSections; ++s)
            lookups.emplace_back(UpperCase(SectionName(s)), UpperCase(KeyName(k)));
    for (auto _ : state) {
        String value;
        for (const auto& [section, key] : lookups) {
            ini.TryReadString(section, key, value);
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(lookups.size()));
}
BENCHMARK(BM_IniReadAcrossSections);

// The uninstall log: N paths written under "0", "1", ... with "Count" kept
// current, then read back key by key. Time per path must not grow with N.
void BM_IniUninstallLog(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) {
        TZUXIniFile log;
        for (int i = 0; i < n; ++i) {
            const int32_t count = log.ReadInteger(u"Uninstall", u"Count", 0);
            log.WriteString(u"Uninstall", IntToStr(count), u"Data\\gen\\file" + IntToStr(i));
            log.WriteInteger(u"Uninstall", u"Count", count + 1);
        }
        String value;
        for (int i = 0; i < n; ++i) log.TryReadString(u"Uninstall", IntToStr(i), value);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IniUninstallLog)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_IniLoad(benchmark::State& state) {
    const String text = Document();
    for (auto _ : state) {
        TZUXIniFile ini;
        ini.LoadFromString(text);
        benchmark::DoNotOptimize(ini.SectionCount());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size() * 2));
}
BENCHMARK(BM_IniLoad);

} // namespace

BENCHMARK_MAIN();
