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
// Known only once a C library header is in.
#ifdef __GLIBC__
#include <malloc.h>
#endif

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
  size_t mapBytes;
  size_t peakBytes;
  int32_t pairs;
  int32_t sets;
};

// glibc hands the free memory at the top of its heap back to the system, but only what
// lies above the last block still in use: smaller lists then reuse pages still mapped
// from earlier rounds while larger ones touch fresh pages (a page fault each, costly in a
// virtual machine), and the growth looks worse than it is. Trimming before each
// measurement makes every size start as one update in a fresh process does.
void releaseFreeMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

Sample measure(const std::string& text) {
  using Clock = std::chrono::steady_clock;
  releaseFreeMemory();
  g_counters.peak = g_counters.live;
  const size_t base = g_counters.live;
  Sample sample{};
  const auto start = Clock::now();
  {
    CPropertyMap map;
    parsePropertyText(map, text.data(), text.size());
    const auto parsed = Clock::now();
    sample.mapBytes = g_counters.live - base;
    CFileSetList sets;
    if (readFileSets(map, sets) != FileSetReading::kComplete) std::puts("file sets incomplete");
    const auto read = Clock::now();
    sample.parseMs = std::chrono::duration<double, std::milli>(parsed - start).count();
    sample.readMs = std::chrono::duration<double, std::milli>(read - parsed).count();
    sample.pairs = map.count();
    sample.sets = sets.count();
  }
  sample.peakBytes = g_counters.peak - base;
  return sample;
}

template <class Field>
double median(const std::vector<Sample>& samples, Field field) {
  std::vector<double> values;
  for (const Sample& sample : samples) values.push_back(static_cast<double>(field(sample)));
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double parseMs(const Sample& s) { return s.parseMs; }
double readMs(const Sample& s) { return s.readMs; }
double mapBytes(const Sample& s) { return static_cast<double>(s.mapBytes); }
double peakBytes(const Sample& s) { return static_cast<double>(s.peakBytes); }

void printTable(const std::vector<int>& sizes, const std::vector<std::string>& lists,
                const std::vector<std::vector<Sample>>& samples) {
  std::printf("%9s %10s %8s %7s %10s %10s %10s %10s %10s\n", "lines", "bytes", "pairs", "sets", "parse ms",
              "sets ms", "map KiB", "peak KiB", "bytes/line");
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::vector<Sample>& own = samples[i];
    const double peak = median(own, peakBytes);
    std::printf("%9d %10zu %8d %7d %10.1f %10.1f %10.0f %10.0f %10.0f\n", sizes[i], lists[i].size(), own[0].pairs,
                own[0].sets, median(own, parseMs), median(own, readMs), median(own, mapBytes) / 1024, peak / 1024,
                peak / sizes[i]);
  }
}

// Each size against the first, so that a doubling shows as a factor of about two.
void printGrowth(const std::vector<int>& sizes, const std::vector<std::vector<Sample>>& samples, int rounds) {
  const std::vector<Sample>& first = samples[0];
  for (size_t i = 1; i < sizes.size(); ++i) {
    const std::vector<Sample>& own = samples[i];
    std::printf("%d against %d lines: parse x%.2f, sets x%.2f, peak memory x%.2f (%d rounds, medians)\n", sizes[i],
                sizes[0], median(own, parseMs) / median(first, parseMs), median(own, readMs) / median(first, readMs),
                median(own, peakBytes) / median(first, peakBytes), rounds);
  }
}

}  // namespace

int main(int argc, char** argv) {
  static NPNetscapeFuncs browser{};
  browser.memalloc = countingAlloc;
  browser.memfree = countingFree;
  setBrowserFuncs(&browser);

  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 200000, 400000};
  std::vector<std::string> lists;
  for (int lines : sizes) lists.push_back(makePackageList(lines));

  const int rounds = 7;
  std::vector<std::vector<Sample>> samples(sizes.size());
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < sizes.size(); ++i) samples[i].push_back(measure(lists[i]));

  printTable(sizes, lists, samples);
  printGrowth(sizes, samples, rounds);
  return 0;
}
