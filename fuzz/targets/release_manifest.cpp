// Fuzz target: release manifests as a server might serve them. A manifest read is whole
// and keeps the form's promises; a refused one says why; the reading depends on the text
// alone; and the manifest's URL is the package list's with ".manifest" in its path.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/ascii_case.h"
#include "download/release_manifest.h"
#include "fuzz_check.h"

namespace {

void checkRead(const ReleaseManifest& manifest, const uint8_t* data, size_t size) {
  FUZZ_CHECK(manifest.signedLength < size);
  FUZZ_CHECK(std::memcmp(data + manifest.signedLength, "signature ", 10) == 0);
  FUZZ_CHECK(manifest.signedLength == 0 || data[manifest.signedLength - 1] == '\n');
  FUZZ_CHECK(manifest.signatureLength > 0 && manifest.signatureLength <= kMostSignatureBytes);
  FUZZ_CHECK(manifest.version[0] && std::strlen(manifest.version) < kManifestTextCapacity);
  FUZZ_CHECK(manifest.date[0] && std::strlen(manifest.date) < kManifestTextCapacity);
  // An expiry is empty or a date of its one form, which the comparison takes as text.
  const size_t expiry = std::strlen(manifest.expires);
  FUZZ_CHECK(expiry == 0 || (expiry == kManifestDateCapacity - 1 && manifest.expires[4] == '-'));
  FUZZ_CHECK(!manifestExpiredBy(manifest, "0001-01-01"));
  FUZZ_CHECK(manifestExpiredBy(manifest, "9999-12-32") == (expiry != 0));
  FUZZ_CHECK(!manifest.files.empty() && manifest.files.size() <= kMostManifestFiles);
  for (size_t i = 0; i < manifest.files.size(); ++i) {
    const ManifestItem& item = manifest.files[i];
    FUZZ_CHECK(std::strlen(item.sha256) == 64);
    FUZZ_CHECK(item.name[0] && std::strpbrk(item.name, "/\\: ") == nullptr);
    // Names are unique ignoring case: each finds itself.
    FUZZ_CHECK(findManifestFile(manifest, item.name) == &item);
  }
}

void checkUrl(const std::string& list) {
  char url[512];
  if (!manifestUrlFor(list.c_str(), url, sizeof url)) {
    FUZZ_CHECK(list.size() + 10 > sizeof url && url[0] == '\0');
    return;
  }
  const size_t path = std::strcspn(list.c_str(), "?#");
  FUZZ_CHECK(std::strlen(url) == list.size() + 9);
  FUZZ_CHECK(std::memcmp(url, list.c_str(), path) == 0 && std::memcmp(url + path, ".manifest", 9) == 0);
  FUZZ_CHECK(std::strcmp(url + path + 9, list.c_str() + path) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  ReleaseManifest manifest{};
  char reason[kManifestReasonCapacity];
  const bool read = readReleaseManifest(text, size, manifest, reason);
  if (read) {
    checkRead(manifest, data, size);
  } else {
    FUZZ_CHECK(reason[0] && std::strlen(reason) < kManifestReasonCapacity);
  }

  // A reader that read another manifest before reads this one the same.
  static const char kOther[] =
      "ostrel-release-manifest 1\nversion 9\ndate 9\nlist l 1 "
      "0000000000000000000000000000000000000000000000000000000000000000\nfile x 1 "
      "0000000000000000000000000000000000000000000000000000000000000000\nsignature 00\n";
  ReleaseManifest again{};
  char reasonAgain[kManifestReasonCapacity];
  FUZZ_CHECK(readReleaseManifest(kOther, sizeof kOther - 1, again, reasonAgain));
  FUZZ_CHECK(readReleaseManifest(text, size, again, reasonAgain) == read);
  FUZZ_CHECK(std::strcmp(reason, reasonAgain) == 0);
  if (read) {
    FUZZ_CHECK(again.files.size() == manifest.files.size() && again.signedLength == manifest.signedLength);
    FUZZ_CHECK(std::strcmp(again.version, manifest.version) == 0 && std::strcmp(again.date, manifest.date) == 0);
  }

  const void* end = std::memchr(text, '\0', size);
  checkUrl(std::string(text, end ? static_cast<const char*>(end) - text : size));
  return 0;
}
