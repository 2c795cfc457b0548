// File sets: reading them from a package list, matching a file by name, and the skip,
// fetch and unpack decisions against installed files with real version resources.
#include <gtest/gtest.h>

#include <string>

#include "download/file_set_choice.h"
#include "download/file_set_reader.h"
#include "map_pairs.h"
#include "support/scratch_folder.h"
#include "support/test_browser.h"
#include "version_folders.h"

namespace {

// A package list in which client.cab checks two installed files, docs.cab
// has no elements.
const char kExampleList[] =
    "updaterFiles=2\nupdaterFile.0=client.cab\nclient.cab.files=2\n"
    "client.cab.element.0=bin/core.dll\n.version.0=7,5,0,123\n"
    "client.cab.element.1=bin/ui.dll\n.version.1=7,5,0,120\nclient.cab.version=7.5\n"
    "updaterFile.1=docs.cab\ndocs.cab.files=0\n";

// "name[version]" for every element, and the set's version after a "|".
std::string describe(const CFileSet& set) {
  std::string text = std::string(set.name()) + ":";
  for (const CFileSetElement* e = set.elements.first(); e; e = e->next)
    text += std::string(" ") + e->name() + "[" + e->version() + "]";
  return text + " |" + set.version();
}

std::vector<std::string> readSets(const std::string& list, FileSetReading expected = FileSetReading::kComplete) {
  CPropertyMap map;
  parsePropertyText(map, list.data(), list.size());
  CFileSetList sets;
  EXPECT_EQ(readFileSets(map, sets), expected);
  std::vector<std::string> described;
  for (const CFileSet* set = sets.first(); set; set = set->next) described.push_back(describe(*set));
  return described;
}

EntryAction actionIn(const std::string& folder, const std::string& list, const char* localName) {
  CPropertyMap map;
  parsePropertyText(map, list.data(), list.size());
  CFileSetList sets;
  readFileSets(map, sets);
  ScratchFolder restoresTheCurrentDirectory;
  SetCurrentDirectoryA(folder.c_str());
  return chooseEntryAction(sets, localName);
}

}  // namespace

TEST(FileSets, ReadsTheSetsOfThePackageListInOrder) {
  EXPECT_EQ(readSets(kExampleList),
            (std::vector<std::string>{"client.cab: bin/core.dll[7,5,0,123] bin/ui.dll[7,5,0,120] |7.5",
                                      "docs.cab: |"}));
}

TEST(FileSets, ShareElementVersionsAcrossSetsAndKeepSetsWithMissingKeys) {
  EXPECT_EQ(readSets("updaterFiles= +3x\nupdaterFile.0=a\na.files=1\na.element.0=f\n.version.0=1,2\n"
                     "a.version.0=9\nupdaterFile.2=b\nb.files=2\nb.element.1=g\n"),
            (std::vector<std::string>{"a: f[1,2] |", ": |", "b: [1,2] g[] |"}));
  EXPECT_EQ(readSets("updaterFiles=-4\nupdaterFile.0=a\n"), std::vector<std::string>{});
}

TEST(FileSets, KeepTextsUpToTheirLimitsAndCutLongerOnes) {
  const std::string name(300, 'n'), version(40, '1');
  const std::string longest = name.substr(0, 259), cut = version.substr(0, 31);
  // Set s has one element at the limits and one beyond them; the second set's name is too
  // long, and its keys are formed from the name as cut.
  const std::string list = "updaterFiles=2\nupdaterFile.0=s\ns.files=2\ns.element.0=" + longest +
                           "\n.version.0=" + cut + "\ns.element.1=" + name + "\n.version.1=" + version +
                           "\ns.version=" + version + "\nupdaterFile.1=" + name + "\n" + longest + ".files=1\n" +
                           longest + ".element.0=f\n" + longest + ".version=" + cut;
  const std::string element = longest + "[" + cut + "]";
  EXPECT_EQ(readSets(list), (std::vector<std::string>{"s: " + element + " " + element + " |" + cut,
                                                     longest + ": f[" + cut + "] |" + cut}));
}

TEST(FileSets, CutCountsToWhatTheListCanDescribeAndStopAtLackOfRoom) {
  EXPECT_EQ(readSets("updaterFiles=2000000000\n").size(), 1u);
  EXPECT_EQ(readSets("updaterFiles=1\nupdaterFile.0=a\na.files=99999\n"),
            (std::vector<std::string>{"a: [] [] [] |"}));
  // A count larger than the list still reads the sets that exist, in order.
  EXPECT_EQ(readSets("updaterFiles=100\nupdaterFile.0=a\na.files=1\na.element.0=f\n.version.0=1\n"),
            (std::vector<std::string>{"a: f[1] |", ": |", ": |", ": |", ": |"}));
  CPropertyMap map;
  parsePropertyText(map, kExampleList, sizeof kExampleList - 1);
  const long long before = TestBrowser::instance().balanceBytes();
  {
    CFileSetList sets;
    TestBrowser::instance().failAllocationsAfter(3);  // the first set and its two elements
    EXPECT_EQ(readFileSets(map, sets), FileSetReading::kNoRoom);
    TestBrowser::instance().stopFailingAllocations();
    EXPECT_EQ(sets.count(), 1);
  }
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), before);
}

TEST(FileSets, MatchTheFirstSetOfTheNameWithoutRegardToAsciiCase) {
  CPropertyMap map;
  const std::string list = "updaterFiles=3\nupdaterFile.0=CLIENT.CAB\nupdaterFile.1=client.cab\nupdaterFile.2=\xC9.cab";
  parsePropertyText(map, list.data(), list.size());
  CFileSetList sets;
  readFileSets(map, sets);
  EXPECT_EQ(findFileSet(sets, "client.cab"), sets.first());
  EXPECT_EQ(findFileSet(sets, "\xE9.cab"), nullptr);
  EXPECT_EQ(findFileSet(sets, "client.ca"), nullptr);
}

TEST(FileSets, FetchOrSkipByTheInstalledVersions) {
  const std::string older = versionFolder("older"), current = versionFolder("current");
  EXPECT_EQ(actionIn(older, kExampleList, "client.cab"), EntryAction::kFetchAndUnpack);  // 7.5.0.100
  EXPECT_EQ(actionIn(current, kExampleList, "client.cab"), EntryAction::kSkip);
  EXPECT_EQ(actionIn(current, kExampleList, "extras.zip"), EntryAction::kFetch);
  EXPECT_EQ(actionIn(current, kExampleList, "DOCS.CAB"), EntryAction::kFetchAndUnpack);
  EXPECT_EQ(actionIn(current, "", "extras.zip"), EntryAction::kFetchAndUnpack);
  EXPECT_EQ(actionIn(current, "updaterFiles=1\nupdaterFile.0=x.cab\n", "x.cab"), EntryAction::kFetchAndUnpack);
}

TEST(FileSets, FetchForAMissingInstalledFileUnlessTheListedVersionIsZero) {
  const std::string stem = "updaterFiles=1\nupdaterFile.0=c.cab\nc.cab.files=1\nc.cab.element.0=lib/core.dll\n";
  ScratchFolder empty;  // core.dll is missing there
  EXPECT_EQ(actionIn(empty.path(), stem + ".version.0=0,0,0,1", "c.cab"), EntryAction::kFetchAndUnpack);
  EXPECT_EQ(actionIn(empty.path(), stem + ".version.0=0,0,0,0", "c.cab"), EntryAction::kSkip);
  EXPECT_EQ(actionIn(empty.path(), stem, "c.cab"), EntryAction::kSkip);
}
