// The release manifest's reader: a good manifest read whole, the edges it accepts, each
// rule broken once with the reason and line it is refused with, the lookup by name and
// the manifest's URL beside the package list.
#include "download/release_manifest.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kDigestList(64, '0');
const std::string kDigestCab = std::string(32, 'a') + std::string(32, '9');
const std::string kDigestZip(64, 'c');

std::vector<std::string> goodLines() {
  return {"ostrel-release-manifest 1",
          "version 4.2.0.17",
          "date 2026-12-09",
          "list packages.properties 1234 " + kDigestList,
          "file client.cab 52428800 " + kDigestCab,
          "file sample.zip 4711 " + kDigestZip,
          "signature 3a5f00ff"};
}

std::string joined(const std::vector<std::string>& lines, const std::string& end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::string replaced(size_t index, const std::string& line) {
  std::vector<std::string> lines = goodLines();
  lines[index] = line;
  return joined(lines);
}

std::string removed(size_t index, size_t count = 1) {
  std::vector<std::string> lines = goodLines();
  const auto first = lines.begin() + static_cast<std::ptrdiff_t>(index);
  lines.erase(first, first + static_cast<std::ptrdiff_t>(count));
  return joined(lines);
}

std::string inserted(size_t index, const std::string& line) {
  std::vector<std::string> lines = goodLines();
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index), line);
  return joined(lines);
}

// The good manifest with many files, named f0 to f(count - 1).
std::string withFiles(size_t count) {
  std::vector<std::string> lines = goodLines();
  lines.erase(lines.begin() + 4, lines.begin() + 6);
  for (size_t i = 0; i < count; ++i) lines.insert(lines.end() - 1, "file f" + std::to_string(i) + " 1 " + kDigestZip);
  return joined(lines);
}

bool read(const std::string& text, ReleaseManifest& manifest, std::string* why = nullptr) {
  char reason[kManifestReasonCapacity];
  const bool good = readReleaseManifest(text.data(), text.size(), manifest, reason);
  if (why) *why = reason;
  return good;
}

std::string refusal(const std::string& text) {
  ReleaseManifest manifest{};
  std::string why;
  EXPECT_FALSE(read(text, manifest, &why));
  return why;
}

struct Broken {
  const char* rule;
  std::string text;
  std::string reason;
};

void expectRefused(const std::vector<Broken>& cases) {
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(refusal(c.text), c.reason);
  }
}

}  // namespace

TEST(ReleaseManifest, AGoodManifestIsReadWhole) {
  const std::string text = joined(goodLines());
  ReleaseManifest manifest{};
  ASSERT_TRUE(read(text, manifest));
  EXPECT_STREQ(manifest.version, "4.2.0.17");
  EXPECT_STREQ(manifest.date, "2026-12-09");
  EXPECT_STREQ(manifest.list.name, "packages.properties");
  EXPECT_EQ(manifest.list.size, 1234u);
  EXPECT_EQ(manifest.list.sha256, kDigestList);
  ASSERT_EQ(manifest.files.size(), 2u);
  EXPECT_STREQ(manifest.files[0].name, "client.cab");
  EXPECT_EQ(manifest.files[0].size, 52428800u);
  EXPECT_EQ(manifest.files[0].sha256, kDigestCab);
  EXPECT_STREQ(manifest.files[1].name, "sample.zip");
  // The signature covers every byte before its line, the LF before it included.
  EXPECT_EQ(manifest.signedLength, text.find("signature "));
  ASSERT_EQ(manifest.signatureLength, 4u);
  EXPECT_EQ(std::vector<unsigned char>(manifest.signature, manifest.signature + 4),
            (std::vector<unsigned char>{0x3a, 0x5f, 0x00, 0xff}));
}

TEST(ReleaseManifest, CrLfLineEndsAndASignatureWithoutItsLineEndAreRead) {
  const std::string text = joined(goodLines(), "\r\n");
  ReleaseManifest manifest{};
  ASSERT_TRUE(read(text, manifest));
  EXPECT_STREQ(manifest.version, "4.2.0.17");
  EXPECT_EQ(manifest.signedLength, text.find("signature "));
  EXPECT_EQ(manifest.signatureLength, 4u);

  const std::string unended = text.substr(0, text.size() - 2);
  ASSERT_TRUE(read(unended, manifest));
  EXPECT_EQ(manifest.signatureLength, 4u);
}

TEST(ReleaseManifest, TheEdgesOfEachFieldAreAccepted) {
  ReleaseManifest manifest{};
  const std::string longest(63, 'v');
  ASSERT_TRUE(read(replaced(1, "version " + longest), manifest));
  EXPECT_EQ(manifest.version, longest);
  ASSERT_TRUE(read(replaced(2, "date 9 December 2026 "), manifest));
  EXPECT_STREQ(manifest.date, "9 December 2026 ");

  const std::string longName(259, 'n');
  ASSERT_TRUE(read(replaced(4, "file " + longName + " 0 " + std::string(64, 'F')), manifest));
  EXPECT_EQ(manifest.files[0].name, longName);
  EXPECT_EQ(manifest.files[0].size, 0u);
  ASSERT_TRUE(read(replaced(5, "file ...zip 4294967295 " + kDigestZip), manifest));
  EXPECT_EQ(manifest.files[1].size, 4294967295u);

  ASSERT_TRUE(read(replaced(6, "signature " + std::string(2 * kMostSignatureBytes, 'E')), manifest));
  EXPECT_EQ(manifest.signatureLength, kMostSignatureBytes);
  EXPECT_EQ(manifest.signature[kMostSignatureBytes - 1], 0xEE);

  ASSERT_TRUE(read(withFiles(kMostManifestFiles), manifest));
  EXPECT_EQ(manifest.files.size(), kMostManifestFiles);
}

TEST(ReleaseManifest, TheFirstLineAndTheLinesThemselvesAreStrict) {
  expectRefused({
      {"another first line", replaced(0, "ostrel-release-manifest 2"), "line 1 is no \"ostrel-release-manifest 1\""},
      {"nothing at all", "", "line 1 is no \"ostrel-release-manifest 1\""},
      {"an empty line", inserted(3, ""), "line 4 is no line of a manifest"},
      {"an unknown keyword", inserted(3, "comment made by hand"), "line 4 is no line of a manifest"},
      {"a keyword in capitals", replaced(1, "Version 4.2"), "line 2 is no line of a manifest"},
      {"a tab", replaced(1, "version 4.2\t"), "line 2 holds a character that is no printable ASCII"},
      {"a byte beyond ASCII", replaced(1, "version 4.2\xE9"), "line 2 holds a character that is no printable ASCII"},
      {"a NUL", replaced(1, std::string("version 4.2\0b", 13)), "line 2 holds a character that is no printable ASCII"},
      {"a CR not before the LF", replaced(1, "version 4.2\r1"), "line 2 holds a character that is no printable ASCII"},
      {"more than 1 MiB", joined(goodLines()) + std::string(kMostManifestBytes, 'x'), "it is larger than 1 MiB"},
  });
}

TEST(ReleaseManifest, VersionDateAndListComeExactlyOnce) {
  expectRefused({
      {"an empty version", replaced(1, "version "), "line 2 is no \"version TEXT\""},
      {"a version of 64 characters", replaced(1, "version " + std::string(64, 'v')), "line 2 is no \"version TEXT\""},
      {"two blanks after version", replaced(1, "version  4.2"), "line 2 is no \"version TEXT\""},
      {"a second version", inserted(2, "version 5"), "line 3 is a second \"version\" line"},
      {"no version", removed(1), "line 6 signs a manifest without a \"version\" line"},
      {"a date without text", replaced(2, "date"), "line 3 is no \"date TEXT\""},
      {"a second date", inserted(3, "date 2027-01-01"), "line 4 is a second \"date\" line"},
      {"no date", removed(2), "line 6 signs a manifest without a \"date\" line"},
      {"a list without its digest", replaced(3, "list packages.properties 1234"),
       "line 4 is no \"list NAME SIZE SHA256\""},
      {"a second list", inserted(4, "list other.properties 1 " + kDigestList), "line 5 is a second \"list\" line"},
      {"no list", removed(3), "line 6 signs a manifest without a \"list\" line"},
  });
}

TEST(ReleaseManifest, EachFieldOfAFileLineIsHeldToItsForm) {
  const std::string form = "line 5 is no \"file NAME SIZE SHA256\"";
  const auto file = [](const std::string& fields) { return replaced(4, "file " + fields); };
  expectRefused({
      {"two blanks", file("client.cab  5 " + kDigestCab), form},
      {"a blank at the end", file("client.cab 5 " + kDigestCab + " "), form},
      {"a fourth field", file("client.cab 5 " + kDigestCab + " x"), form},
      {"a slash in the name", file("bin/client.cab 5 " + kDigestCab), form},
      {"a backslash in the name", file("bin\\client.cab 5 " + kDigestCab), form},
      {"a colon in the name", file("client.cab:stream 5 " + kDigestCab), form},
      {"the name \".\"", file(". 5 " + kDigestCab), form},
      {"the name \"..\"", file(".. 5 " + kDigestCab), form},
      {"a name of 260 characters", file(std::string(260, 'n') + " 5 " + kDigestCab), form},
      {"a leading zero", file("client.cab 05 " + kDigestCab), form},
      {"a sign", file("client.cab +5 " + kDigestCab), form},
      {"a size of 2^32", file("client.cab 4294967296 " + kDigestCab), form},
      {"a size of eleven digits", file("client.cab 10000000000 " + kDigestCab), form},
      {"a size with a unit", file("client.cab 5k " + kDigestCab), form},
      {"a digest of 63 digits", file("client.cab 5 " + kDigestCab.substr(1)), form},
      {"a digest of 65 digits", file("client.cab 5 0" + kDigestCab), form},
      {"a digest with no hex digit", file("client.cab 5 g" + kDigestCab.substr(1)), form},
  });
}

TEST(ReleaseManifest, FilesAreOneToAThousandOfUniqueNames) {
  expectRefused({
      {"a name again in other case", inserted(5, "file CLIENT.CAB 1 " + kDigestCab),
       "line 6 names a file a second time"},
      {"no file", removed(4, 2), "line 5 signs a manifest without a \"file\" line"},
      {"1001 files", withFiles(kMostManifestFiles + 1), "line 1005 names more than 1000 files"},
  });
}

TEST(ReleaseManifest, TheSignatureIsTheLastLineAndWholeHex) {
  const std::string form = "line 7 is no \"signature HEX\"";
  expectRefused({
      {"an odd number of digits", replaced(6, "signature 3a5"), form},
      {"no hex digit", replaced(6, "signature 3g"), form},
      {"no digits", replaced(6, "signature "), form},
      {"no blank", replaced(6, "signature"), form},
      {"longer than a 16384-bit key's", replaced(6, "signature " + std::string(2 * kMostSignatureBytes + 2, 'a')),
       form},
      {"a line after it", inserted(7, "file late.zip 1 " + kDigestZip), "line 8 follows the signature"},
      {"an empty line after it", joined(goodLines()) + "\n", "line 8 follows the signature"},
      {"no signature", removed(6), "it ends at line 6 without a \"signature\" line"},
  });
}

TEST(ReleaseManifest, FilesAreFoundByNameIgnoringAsciiCase) {
  ReleaseManifest manifest{};
  ASSERT_TRUE(read(joined(goodLines()), manifest));
  const ManifestItem* found = findManifestFile(manifest, "Sample.ZIP");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->size, 4711u);
  EXPECT_EQ(findManifestFile(manifest, "sample.zi"), nullptr);
  // The package list is no file of the release.
  EXPECT_EQ(findManifestFile(manifest, "packages.properties"), nullptr);
}

TEST(ReleaseManifest, ItsUrlEndsThePackageListsPath) {
  char url[64];
  ASSERT_TRUE(manifestUrlFor("http://h/r/packages.properties", url, sizeof url));
  EXPECT_STREQ(url, "http://h/r/packages.properties.manifest");
  ASSERT_TRUE(manifestUrlFor("http://h/list.txt?v=3#top", url, sizeof url));
  EXPECT_STREQ(url, "http://h/list.txt.manifest?v=3#top");
  ASSERT_TRUE(manifestUrlFor("http://h/list.txt#a?b", url, sizeof url));
  EXPECT_STREQ(url, "http://h/list.txt.manifest#a?b");
  // Exactly the room it needs, and one byte less.
  const char* list = "http://h/l";
  ASSERT_TRUE(manifestUrlFor(list, url, std::strlen(list) + 10));
  EXPECT_FALSE(manifestUrlFor(list, url, std::strlen(list) + 9));
  EXPECT_STREQ(url, "");
  EXPECT_FALSE(manifestUrlFor(list, url, 4));
}

TEST(ReleaseManifest, AnExpiryIsAnOptionalRealDateTakenThroughItsLastDay) {
  ReleaseManifest manifest{};
  ASSERT_TRUE(read(joined(goodLines()), manifest));
  EXPECT_STREQ(manifest.expires, "");
  EXPECT_FALSE(manifestExpiredBy(manifest, "9999-12-31"));

  // Anywhere between the first line and the signature, and covered by it.
  const std::string late = inserted(6, "expires 2028-02-29");
  ASSERT_TRUE(read(late, manifest));
  EXPECT_STREQ(manifest.expires, "2028-02-29");
  EXPECT_EQ(manifest.signedLength, late.find("signature "));
  ASSERT_TRUE(read(inserted(1, "expires 2027-01-08"), manifest));
  EXPECT_STREQ(manifest.version, "4.2.0.17");
  EXPECT_FALSE(manifestExpiredBy(manifest, "2026-12-31"));
  EXPECT_FALSE(manifestExpiredBy(manifest, "2027-01-08"));
  EXPECT_TRUE(manifestExpiredBy(manifest, "2027-01-09"));
  EXPECT_TRUE(manifestExpiredBy(manifest, "2028-01-01"));

  const std::string form = "line 4 is no \"expires YYYY-MM-DD\" of a real date";
  expectRefused({
      {"no leap day in 2027", inserted(3, "expires 2027-02-29"), form},
      {"no leap day in 2100", inserted(3, "expires 2100-02-29"), form},
      {"a thirteenth month", inserted(3, "expires 2027-13-01"), form},
      {"a day 0", inserted(3, "expires 2027-01-00"), form},
      {"April 31", inserted(3, "expires 2027-04-31"), form},
      {"digits left out", inserted(3, "expires 2027-1-8"), form},
      {"the year 0", inserted(3, "expires 0000-01-01"), form},
      {"another form", inserted(3, "expires 08.01.2027"), form},
      {"a time after it", inserted(3, "expires 2027-01-08 12:00"), form},
      {"a second expiry", [] {
         std::vector<std::string> lines = goodLines();
         lines.insert(lines.begin() + 3, {"expires 2027-01-08", "expires 2027-01-09"});
         return joined(lines);
       }(), "line 5 is a second \"expires\" line"},
  });
}
