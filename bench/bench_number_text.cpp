// The number text conversions beside the C library's: TextToNumber against strtold,
// NumberToText against snprintf("%.17Le") (which gives the same 18 correctly rounded digits),
// TextToInteger against strtol. Prints the time ratios at the end.
#include <benchmark/benchmark.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/number_text.h"

namespace {

// Arg 0: what a calculator meets; arg 1: magnitudes near the ends of the extended range.
const std::vector<std::string> kTexts[2] = {
    {"3,5", "0,333333333333333", "1,21932631112635E17", "-2,5", "123456789", "0,0015",
     "3,14159265358979", "1E-100"},
    {"1,18973149535723E4932", "3,36210314311209E-4932", "1E4000", "-2,5E-4000"}};
const std::vector<long double> kValues[2] = {
    {2.0L / 3, 123456789.0L * 987654321.0L, -2.5L, 123456789.0L, 0.0015L, 3.14159265358979323846L,
     1e-100L, 0.1L + 0.2L},
    {LDBL_MAX, LDBL_MIN, 1e4000L, -2.5e-4000L}};
const std::vector<std::string> kIntegers = {"42", "-2147483648", "  007", "2147483647", "100"};

std::vector<std::string> WithPoint(const std::vector<std::string>& texts) {
  std::vector<std::string> out = texts;
  for (std::string& t : out) {
    for (char& c : t) {
      if (c == ',') c = '.';
    }
  }
  return out;
}

void BM_TextToNumber(benchmark::State& state) {
  SetDecimalSeparator(',');
  const auto& texts = kTexts[state.range(0)];
  for (auto _ : state) {
    for (const std::string& t : texts) benchmark::DoNotOptimize(TextToNumber(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

void BM_strtold(benchmark::State& state) {
  const auto texts = WithPoint(kTexts[state.range(0)]);
  for (auto _ : state) {
    for (const std::string& t : texts) benchmark::DoNotOptimize(std::strtold(t.c_str(), nullptr));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

void BM_NumberToText(benchmark::State& state) {
  SetDecimalSeparator(',');
  const auto& values = kValues[state.range(0)];
  for (auto _ : state) {
    for (long double v : values) benchmark::DoNotOptimize(NumberToText(v));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

void BM_snprintf(benchmark::State& state) {
  const auto& values = kValues[state.range(0)];
  char buffer[64];
  for (auto _ : state) {
    for (long double v : values) {
      benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.17Le", v));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

void BM_TextToInteger(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& t : kIntegers) benchmark::DoNotOptimize(TextToInteger(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kIntegers.size()));
}

void BM_strtol(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& t : kIntegers) {
      benchmark::DoNotOptimize(std::strtol(t.c_str(), nullptr, 10));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kIntegers.size()));
}

BENCHMARK(BM_TextToNumber)->Arg(0)->Arg(1);
BENCHMARK(BM_strtold)->Arg(0)->Arg(1);
BENCHMARK(BM_NumberToText)->Arg(0)->Arg(1);
BENCHMARK(BM_snprintf)->Arg(0)->Arg(1);
BENCHMARK(BM_TextToInteger);
BENCHMARK(BM_strtol);

// The console report, remembering each run's time per item for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto items = run.counters.find("items_per_second");
      if (items != run.counters.end() && items->second.value > 0) {
        per_item_ns[run.benchmark_name()] = 1e9 / items->second.value;
      }
    }
  }

  std::map<std::string, double> per_item_ns;
};

void PrintRatio(const RatioReporter& reporter, const char* label, const std::string& ours,
                const std::string& theirs) {
  const auto a = reporter.per_item_ns.find(ours);
  const auto b = reporter.per_item_ns.find(theirs);
  if (a == reporter.per_item_ns.end() || b == reporter.per_item_ns.end()) return;
  std::printf("%-44s = %5.2f   (%7.1f ns against %7.1f ns per conversion)\n", label,
              a->second / b->second, a->second, b->second);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  PrintRatio(reporter, "TextToNumber / strtold", "BM_TextToNumber/0", "BM_strtold/0");
  PrintRatio(reporter, "TextToNumber / strtold (range ends)", "BM_TextToNumber/1", "BM_strtold/1");
  PrintRatio(reporter, "NumberToText / snprintf %.17Le", "BM_NumberToText/0", "BM_snprintf/0");
  PrintRatio(reporter, "NumberToText / snprintf %.17Le (range ends)", "BM_NumberToText/1",
             "BM_snprintf/1");
  PrintRatio(reporter, "TextToInteger / strtol", "BM_TextToInteger", "BM_strtol");
  benchmark::Shutdown();
  return 0;
}
