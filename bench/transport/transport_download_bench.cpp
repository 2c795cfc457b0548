// DownloadFile under measurement: one instance record with its own session, one file of
// the given size, read in pieces of READ_BYTES (0: as the product reads, following the
// link), the progress bar's moves watched.
//   transport_download_bench URL DIRECTORY NAME SIZE READ_BYTES
#include <cstdio>
#include <cstdlib>
#include <new>

#include "bar_watch.h"
#include "bench_report.h"
#include "entry/entry_points.h"
#include "net/file_download.h"
#include "net/internet_session.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_values.h"

namespace {

void* benchAlloc(uint32 size) { return std::malloc(size); }
void benchFree(void* block) { std::free(block); }
const char* benchAgent(NPP) { return "Mozilla/4.0 (compatible; bench)"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: transport_download_bench URL DIRECTORY NAME SIZE READ_BYTES\n");
    return 2;
  }
  NPNetscapeFuncs browser = {};
  browser.size = sizeof browser;
  browser.version = 9;
  browser.memalloc = benchAlloc;
  browser.memfree = benchFree;
  browser.uagent = benchAgent;
  NPPluginFuncs plugin = {};
  plugin.size = sizeof plugin;
  NP_GetEntryPoints(&plugin);
  NP_Initialize(&browser);
  const uint32_t size = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
  const RunStart start = startRun();
  auto* instance = new CMyPlugin;
  instance->m_limits.packageReadSize = static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 10));
  instance->m_internet = NetscapeInternetOpen(benchAgent(nullptr));
  instance->m_progress.setTotal(size);
  BarWatch bar(instance->m_progress);
  const int result = DownloadFile(transferOf(*instance), argv[1], argv[2], size, argv[3]).code;
  bar.report();
  InternetCloseHandle(instance->m_internet);
  reportRun("download_file", start, static_cast<uint64_t>(instance->m_progress.done()));
  delete instance;
  return result;
}
