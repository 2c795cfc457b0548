// checkReleaseSignature over the system's AES provider, the one that knows SHA-256.
#include "base/release_signature.h"

#include <windows.h>
#include <wincrypt.h>

namespace {

// PROV_RSA_AES and CALG_SHA_256: the headers name them only for systems from Windows XP
// on (see sha256_digest.cpp); older systems lack the provider or the algorithm, and the
// check then says it cannot be made.
constexpr DWORD kAesProvider = 24;
constexpr ALG_ID kSha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;
// A public-key blob: BLOBHEADER and RSAPUBKEY, then the modulus.
constexpr size_t kKeyBlobHeaderBytes = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
constexpr size_t kMostKeyBlobBytes = kKeyBlobHeaderBytes + kMostSignatureBytes;
// The signed bytes go to the hash in one call.
static_assert(sizeof(size_t) <= sizeof(DWORD), "a byte count must fit a DWORD");

enum class KeyAnswer { kVerifies, kDoesNot, kNoHash };

bool importKey(HCRYPTPROV provider, const ReleaseKey& key, HCRYPTKEY* imported) {
  if (!key.blob || key.size <= kKeyBlobHeaderBytes || key.size > kMostKeyBlobBytes) return false;
  return CryptImportKey(provider, key.blob, key.size, 0, 0, imported) != FALSE;
}

// Whether key verifies reversed (the signature least significant byte first, as
// CryptoAPI reads it) over bytes. Each key gets a hash of its own: a hash that has been
// verified against is finished and takes no more data.
KeyAnswer verifiesWith(HCRYPTPROV provider, const unsigned char* bytes, size_t length, const BYTE* reversed,
                       DWORD signatureLength, const ReleaseKey& key) {
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(provider, kSha256Algorithm, 0, 0, &hash)) return KeyAnswer::kNoHash;
  KeyAnswer answer = KeyAnswer::kDoesNot;
  HCRYPTKEY imported = 0;
  if (CryptHashData(hash, bytes, static_cast<DWORD>(length), 0) && importKey(provider, key, &imported)) {
    if (CryptVerifySignatureA(hash, reversed, signatureLength, imported, nullptr, 0)) answer = KeyAnswer::kVerifies;
    CryptDestroyKey(imported);
  }
  CryptDestroyHash(hash);
  return answer;
}

SignatureVerdict verdict(SignatureCheck check, int signer = -1) { return SignatureVerdict{check, signer}; }

}  // namespace

SignatureVerdict checkReleaseSignature(const unsigned char* bytes, size_t length, const unsigned char* signature,
                                       size_t signatureLength, const ReleaseKey* keys, int keyCount) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, kAesProvider, CRYPT_VERIFYCONTEXT))
    return verdict(SignatureCheck::kCannotCheck);
  if (!bytes || !signature || signatureLength == 0 || signatureLength > kMostSignatureBytes) {
    CryptReleaseContext(provider, 0);
    return verdict(SignatureCheck::kNotTrusted);
  }
  BYTE reversed[kMostSignatureBytes];
  for (size_t i = 0; i < signatureLength; ++i) reversed[i] = signature[signatureLength - 1 - i];
  SignatureVerdict result = verdict(SignatureCheck::kNotTrusted);
  for (int k = 0; k < keyCount && result.check == SignatureCheck::kNotTrusted; ++k) {
    const KeyAnswer answer =
        verifiesWith(provider, bytes, length, reversed, static_cast<DWORD>(signatureLength), keys[k]);
    if (answer == KeyAnswer::kVerifies) result = verdict(SignatureCheck::kVerified, k);
    if (answer == KeyAnswer::kNoHash) result = verdict(SignatureCheck::kCannotCheck);
  }
  CryptReleaseContext(provider, 0);
  return result;
}
