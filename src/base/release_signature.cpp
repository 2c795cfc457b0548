// checkReleaseSignature over the system's AES provider, the one that knows SHA-256.
#include "base/release_signature.h"

#include <windows.h>
#include <wincrypt.h>

#include "base/scoped_crypt.h"

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

ScopedCryptKey importKey(HCRYPTPROV provider, const ReleaseKey& key) {
  HCRYPTKEY imported = 0;
  if (!key.blob || key.size <= kKeyBlobHeaderBytes || key.size > kMostKeyBlobBytes ||
      !CryptImportKey(provider, key.blob, key.size, 0, 0, &imported))
    return ScopedCryptKey();
  return ScopedCryptKey(imported);
}

// Whether key verifies reversed (the signature least significant byte first, as
// CryptoAPI reads it) over bytes. Each key gets a hash of its own: a hash that has been
// verified against is finished and takes no more data.
KeyAnswer verifiesWith(HCRYPTPROV provider, const unsigned char* bytes, size_t length, const BYTE* reversed,
                       DWORD signatureLength, const ReleaseKey& key) {
  HCRYPTHASH created = 0;
  if (!CryptCreateHash(provider, kSha256Algorithm, 0, 0, &created)) return KeyAnswer::kNoHash;
  const ScopedCryptHash hash(created);
  if (!CryptHashData(hash.get(), bytes, static_cast<DWORD>(length), 0)) return KeyAnswer::kDoesNot;
  const ScopedCryptKey imported = importKey(provider, key);
  return imported && CryptVerifySignatureA(hash.get(), reversed, signatureLength, imported.get(), nullptr, 0)
             ? KeyAnswer::kVerifies
             : KeyAnswer::kDoesNot;
}

SignatureVerdict verdict(SignatureCheck check, int signer = -1) { return SignatureVerdict{check, signer}; }

}  // namespace

SignatureVerdict checkReleaseSignature(const unsigned char* bytes, size_t length, const unsigned char* signature,
                                       size_t signatureLength, const ReleaseKey* keys, int keyCount) {
  HCRYPTPROV acquired = 0;
  if (!CryptAcquireContextA(&acquired, nullptr, nullptr, kAesProvider, CRYPT_VERIFYCONTEXT))
    return verdict(SignatureCheck::kCannotCheck);
  const ScopedCryptProvider provider(acquired);
  if (!bytes || !signature || signatureLength == 0 || signatureLength > kMostSignatureBytes)
    return verdict(SignatureCheck::kNotTrusted);
  BYTE reversed[kMostSignatureBytes];
  for (size_t i = 0; i < signatureLength; ++i) reversed[i] = signature[signatureLength - 1 - i];
  SignatureVerdict result = verdict(SignatureCheck::kNotTrusted);
  for (int k = 0; k < keyCount && result.check == SignatureCheck::kNotTrusted; ++k) {
    const KeyAnswer answer =
        verifiesWith(provider.get(), bytes, length, reversed, static_cast<DWORD>(signatureLength), keys[k]);
    if (answer == KeyAnswer::kVerifies) result = verdict(SignatureCheck::kVerified, k);
    if (answer == KeyAnswer::kNoHash) result = verdict(SignatureCheck::kCannotCheck);
  }
  return result;
}
