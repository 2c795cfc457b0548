// Checking a release's signature: RSA PKCS #1 v1.5 over the SHA-256 of the signed bytes,
// against the public keys a caller trusts, through the system's cryptographic provider.
// The interface needs nothing from windows.h, so that the manifest's text code can share
// its bounds. Callable from any thread.
#pragma once

#include <cstddef>

#include "base/release_keys.h"

// The longest signature checked: that of a 16384-bit key, the largest RSA key the
// system's providers import. A longer one is verified by no key.
constexpr size_t kMostSignatureBytes = 2048;

enum class SignatureCheck {
  kVerified,     // a key verifies it: SignatureVerdict::signer names the first that does
  kNotTrusted,   // no key verifies it
  kCannotCheck,  // the system has no SHA-256 (before Windows XP SP3): nothing was checked
};

struct SignatureVerdict {
  SignatureCheck check;
  int signer;  // the index in keys of the key that verified; -1 otherwise
};

// Checks signature (signatureLength bytes, most significant byte first, as openssl writes
// it) over bytes (length bytes) against keys[0] to keys[keyCount - 1] in order. A key
// blob the provider will not import, or one larger than a 16384-bit key's, verifies
// nothing.
SignatureVerdict checkReleaseSignature(const unsigned char* bytes, size_t length, const unsigned char* signature,
                                       size_t signatureLength, const ReleaseKey* keys, int keyCount);
