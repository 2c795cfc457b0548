// The signature check's test vectors, made at build time from the build's test keys by
// make_signature_vectors.py: fixed bytes, each test key's public-key blob, and each key's
// signature over the bytes (most significant byte first, as openssl writes it).
#pragma once

#include <cstddef>

#include "base/release_keys.h"

extern const unsigned char kSignedBytes[];
extern const size_t kSignedBytesLength;

extern const ReleaseKey kKeyFirst;
extern const ReleaseKey kKeySecond;
extern const ReleaseKey kKeyOther;

extern const unsigned char kSignatureByFirst[];
extern const size_t kSignatureByFirstLength;
extern const unsigned char kSignatureBySecond[];
extern const size_t kSignatureBySecondLength;
extern const unsigned char kSignatureByOther[];
extern const size_t kSignatureByOtherLength;
