// A release's manifest: the signed account of what one release of the client consists
// of (its version and date, the package list and every archive, each by name, size and
// SHA-256), served beside the package list. Read strictly: anything but the exact form
// is refused, naming the line it failed on. Pure text, nothing from windows.h.
//
// The form, lines ending LF (a CR before the LF is accepted), fields one blank apart:
//   ostrel-release-manifest 1
//   version TEXT                       once; TEXT 1..63 printable ASCII characters
//   date TEXT                          once; likewise
//   expires YYYY-MM-DD                 at most once: the last day (UTC) the release is taken
//   list NAME SIZE SHA256              once: the package list's bytes as served
//   file NAME SIZE SHA256              1..1000 times, names unique ignoring ASCII case
//   signature HEX                      last; covers every byte before this line
// NAME: 1..259 characters without "/", "\", ":", blanks or control characters, and not
// "." or "..". SIZE: decimal below 2^32 without sign or leading zeros. SHA256: 64 hex
// digits. HEX: the signature, most significant byte first, an even number of digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/release_signature.h"

constexpr size_t kMostManifestBytes = 1u << 20;
constexpr size_t kMostManifestFiles = 1000;
constexpr size_t kManifestNameCapacity = 260;   // 259 characters and the NUL
constexpr size_t kManifestTextCapacity = 64;    // 63 characters and the NUL
constexpr size_t kManifestDigestCapacity = 65;  // 64 hex digits and the NUL
constexpr size_t kManifestDateCapacity = 11;    // YYYY-MM-DD and the NUL
// Room for any reason readReleaseManifest gives.
constexpr size_t kManifestReasonCapacity = 96;

struct ManifestItem {
  char name[kManifestNameCapacity];
  uint32_t size;
  char sha256[kManifestDigestCapacity];  // as the manifest gives it, in either case
};

struct ReleaseManifest {
  char version[kManifestTextCapacity];
  char date[kManifestTextCapacity];
  char expires[kManifestDateCapacity];  // a real date, YYYY-MM-DD; empty: the release never expires
  ManifestItem list;
  std::vector<ManifestItem> files;  // in the manifest's order
  size_t signedLength;              // the bytes before the signature line
  unsigned char signature[kMostSignatureBytes];
  size_t signatureLength;
};

// Reads text (length bytes, at most kMostManifestBytes) into manifest. False when it is
// not a manifest of the form above; reason (kManifestReasonCapacity characters) then
// says why, naming the line, e.g. `line 5 is no "file NAME SIZE SHA256"`.
bool readReleaseManifest(const char* text, size_t length, ReleaseManifest& manifest, char* reason);

// Whether a manifest that expires has expired by today, a date YYYY-MM-DD: the release
// is taken through its last day and refused from the day after.
bool manifestExpiredBy(const ReleaseManifest& manifest, const char* today);

// The manifest's file of that name, ignoring the case of ASCII letters; null without one.
const ManifestItem* findManifestFile(const ReleaseManifest& manifest, const char* name);

// The manifest's URL for the package list at listUrl: ".manifest" appended to its path,
// before any "?" or "#" (".../list.txt?v=3" gives ".../list.txt.manifest?v=3"). False,
// with out empty, when it would not fit capacity bytes.
bool manifestUrlFor(const char* listUrl, char* out, size_t capacity);
