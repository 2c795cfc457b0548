// Benchmark: parsing a package list and reading its file sets, at several list sizes, to
// show that time and memory grow in step with the list. Runs the sizes alternately
// (A B A B ...) and reports medians. Builds natively (only pure text code is linked) and
// for Windows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/host_services.h"
#include "download/CPropertyMap.h"
#include "download/file_set_reader.h"
#include "download/property_text.h"

namespace {

// The browser's allocator as the plug-in sees it, counting live bytes and their peak.
struct AllocationCounters {
  size_t live = 0;
  size_t peak = 0;
  size_t blocks = 0;
} g_counters;

constexpr size_t kHeader = 16;  // keeps the size in front and the block aligned

void* countingAlloc(uint32 size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  g_counters.live += size;
  g_counters.peak = std::max(g_counters.peak, g_counters.live);
  ++g_counters.blocks;
  return block + kHeader;
}

void countingFree(void* pointer) {
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  g_counters.live -= *reinterpret_cast<size_t*>(block);
  --g_counters.blocks;
  std::free(block);
}

// A list of about `lines` lines: the set count, four shared element versions, then per
// set a comment, its name, its element count, four elements and its version.
std::string makePackageList(int lines) {
  const int sets = std::max(1, (lines - 5) / 8);
  std::string text = "updaterFiles=" + std::to_string(sets) + "\r\n";
  for (int j = 0; j < 4; ++j) text += ".version." + std::to_string(j) + "=7,5,0," + std::to_string(100 + j) + "\r\n";
  for (int n = 0; n < sets; ++n) {
    const std::string name = "package" + std::to_string(n) + ".cab";
    text += "# set " + std::to_string(n) + "\r\nupdaterFile." + std::to_string(n) + "=" + name + "\r\n";
    text += name + ".files=4\r\n";
    for (int j = 0; j < 4; ++j)
      text += name + ".element." + std::to_string(j) + "=bin/module_" + std::to_string(n) + "_" +
              std::to_string(j) + ".dll\r\n";
    text += name + ".version=7.5." + std::to_string(n) + "\r\n";
  }
  return text;
}

struct Sample {
  double parseMs;
  double readMs;
  size_t peakBytes;
  int32_t pairs;
  int32_t sets;
};

Sample measure(const std::string& text) {
  using Clock = std::chrono::steady_clock;
  g_counters.peak = g_counters.live;
  const size_t base = g_counters.live;
  Sample sample{};
  const auto start = Clock::now();
  {
    CPropertyMap map;
    parsePropertyText(map, text.data(), text.size());
    const auto parsed = Clock::now();
    CFileSetList sets;
    if (readFileSets(map, sets) != FileSetReading::kComplete) std::puts("file sets incomplete");
    const auto read = Clock::now();
    sample = {std::chrono::duration<double, std::milli>(parsed - start).count(),
              std::chrono::duration<double, std::milli>(read - parsed).count(), 0, map.count(), sets.count()};
  }
  sample.peakBytes = g_counters.peak - base;
  return sample;
}

template <class Field>
double median(std::vector<Sample> samples, Field field) {
  std::vector<double> values;
  for (const Sample& sample : samples) values.push_back(static_cast<double>(field(sample)));
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  static NPNetscapeFuncs browser{};
  browser.memalloc = countingAlloc;
  browser.memfree = countingFree;
  setBrowserFuncs(&browser);

  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 200000};
  std::vector<std::string> lists;
  for (int lines : sizes) lists.push_back(makePackageList(lines));

  const int rounds = 7;
  std::vector<std::vector<Sample>> samples(sizes.size());
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < sizes.size(); ++i) samples[i].push_back(measure(lists[i]));

  std::printf("%9s %10s %8s %7s %10s %10s %11s %10s\n", "lines", "bytes", "pairs", "sets", "parse ms",
              "sets ms", "peak KiB", "bytes/line");
  for (size_t i = 0; i < sizes.size(); ++i) {
    const double peak = median(samples[i], [](const Sample& s) { return s.peakBytes; });
    std::printf("%9d %10zu %8d %7d %10.1f %10.1f %11.0f %10.0f\n", sizes[i], lists[i].size(),
                samples[i][0].pairs, samples[i][0].sets, median(samples[i], [](const Sample& s) { return s.parseMs; }),
                median(samples[i], [](const Sample& s) { return s.readMs; }), peak / 1024, peak / sizes[i]);
  }
  for (size_t i = 1; i < sizes.size(); ++i) {
    auto total = [&](size_t k) {
      return median(samples[k], [](const Sample& s) { return s.parseMs + s.readMs; });
    };
    std::printf("%d against %d lines: time x%.2f, peak memory x%.2f (%d rounds, medians)\n", sizes[i], sizes[0],
                total(i) / total(0),
                median(samples[i], [](const Sample& s) { return s.peakBytes; }) /
                    median(samples[0], [](const Sample& s) { return s.peakBytes; }),
                rounds);
  }
  return 0;
}
