// CSha256 over the system's AES provider, which is the one that knows SHA-256.
#include "base/sha256_digest.h"

#include <cstring>

#include "base/ascii_case.h"
#include "base/hex_digits.h"

namespace {

constexpr DWORD kDigestSize = 32;
// CALG_SHA_256: the headers name it only for systems from Windows XP SP3 on, which are
// the ones that know it; on older ones CryptCreateHash refuses it and nothing is checked.
constexpr ALG_ID kSha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;
// PROV_RSA_AES, likewise named only for Windows XP on; older systems do not have the
// provider, and acquiring it fails.
constexpr DWORD kAesProvider = 24;
constexpr char kDigits[] = "0123456789abcdef";

}  // namespace

CSha256::CSha256() {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, kAesProvider, CRYPT_VERIFYCONTEXT)) return;
  m_provider.reset(provider);
  HCRYPTHASH hash = 0;
  if (CryptCreateHash(provider, kSha256Algorithm, 0, 0, &hash)) m_hash.reset(hash);
}

CSha256::~CSha256() = default;

void CSha256::add(const void* bytes, unsigned long count) {
  if (m_hash && !CryptHashData(m_hash.get(), static_cast<const BYTE*>(bytes), count, 0)) m_failed = true;
}

bool CSha256::finish(char (&hex)[kSha256HexSize]) {
  hex[0] = '\0';
  BYTE digest[kDigestSize];
  DWORD size = sizeof digest;
  if (!m_hash || m_failed || !CryptGetHashParam(m_hash.get(), HP_HASHVAL, digest, &size, 0) || size != kDigestSize)
    return false;
  for (DWORD i = 0; i < kDigestSize; ++i) {
    hex[2 * i] = kDigits[digest[i] >> 4];
    hex[2 * i + 1] = kDigits[digest[i] & 0x0F];
  }
  hex[2 * kDigestSize] = '\0';
  return true;
}

bool isSha256Hex(const char* text) {
  if (!text || std::strlen(text) != 2 * kDigestSize) return false;
  for (const char* c = text; *c; ++c)
    if (!isHexDigit(*c)) return false;
  return true;
}

bool sameSha256Hex(const char* a, const char* b) {
  return isSha256Hex(a) && isSha256Hex(b) && equalsIgnoringCase(a, b);
}
