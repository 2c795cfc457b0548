// The release keys built into this plug-in: the public keys whose signature a release's
// manifest must carry before anything of the release is unpacked or run. The definitions
// are made at build time from the publisher's PEM files (tools/release/release_keys.py),
// one set per linked program; a build without keys defines none.
#pragma once

// A public key in the system's public-key blob form (PUBLICKEYBLOB, RSA).
struct ReleaseKey {
  const unsigned char* blob;
  unsigned int size;
};

extern const ReleaseKey kReleaseKeys[];
extern const int kReleaseKeyCount;
