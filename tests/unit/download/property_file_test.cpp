// loadPropertyFile on real files: code-page conversion, CR LF lines, files that add
// nothing, and the log line for dropped pairs.
#include "download/property_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "map_pairs.h"
#include "support/install_log_text.h"
#include "support/scratch_folder.h"

namespace {

std::string writeFile(const ScratchFolder& folder, const std::string& name, const std::string& bytes) {
  const std::string path = folder / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ansiOf(const wchar_t* text) {
  char buffer[16] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

}  // namespace

TEST(PropertyFile, ConvertsFromTheCodePageToAnsi) {
  ScratchFolder folder;
  const std::string path = writeFile(folder, "launch.oscf", "url=http://h/list\r\nname=caf\xC3\xA9");
  CPropertyMap map;
  loadPropertyFile(map, 65001, path.c_str());
  EXPECT_EQ(pairsOf(map), (Pairs{{"name", "caf" + ansiOf(L"\u00e9")}, {"url", "http://h/list"}}));
}

TEST(PropertyFile, MissingAndEmptyFilesLeaveTheMapAsItWas) {
  ScratchFolder folder;
  const std::string empty = writeFile(folder, "empty.oscf", "");
  CPropertyMap map;
  map.insert("kept", 4, "1", 1);
  loadPropertyFile(map, 65001, empty.c_str());
  loadPropertyFile(map, 65001, (folder / "missing.oscf").c_str());
  loadPropertyFile(map, 65001, folder.path().c_str());  // a directory
  EXPECT_EQ(pairsOf(map), (Pairs{{"kept", "1"}}));
}

TEST(PropertyFile, LogsHowManyPairsWereDroppedForTheirLength) {
  ScratchFolder folder;
  const std::string path = writeFile(folder, "long.oscf", "a=" + std::string(4096, 'v') + "\r\nb=1");
  const std::string logBefore = installLogText();
  CPropertyMap map;
  loadPropertyFile(map, 65001, path.c_str());
  EXPECT_EQ(pairsOf(map), (Pairs{{"b", "1"}}));
  EXPECT_EQ(installLogText().substr(logBefore.size()),
            "Configuration file pairs dropped, too long or no memory: 1\r\n");
}
