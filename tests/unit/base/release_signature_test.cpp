// The release signature check through the system's provider, with the build's test keys
// and signatures made by openssl at build time: the signer is the first trusted key that
// verifies; another key, changed bytes or signature and an unusable key blob verify
// nothing.
#include "base/release_signature.h"

#include <gtest/gtest.h>

#include <vector>

#include "release_signature_vectors.h"

namespace {

struct Signature {
  const unsigned char* bytes;
  size_t length;
};

const Signature kByFirst = {kSignatureByFirst, kSignatureByFirstLength};
const Signature kBySecond = {kSignatureBySecond, kSignatureBySecondLength};
const Signature kByOther = {kSignatureByOther, kSignatureByOtherLength};

SignatureVerdict check(const std::vector<ReleaseKey>& keys, const Signature& signature,
                       const std::vector<unsigned char>& bytes) {
  return checkReleaseSignature(bytes.data(), bytes.size(), signature.bytes, signature.length, keys.data(),
                               static_cast<int>(keys.size()));
}

SignatureVerdict check(const std::vector<ReleaseKey>& keys, const Signature& signature) {
  return check(keys, signature, std::vector<unsigned char>(kSignedBytes, kSignedBytes + kSignedBytesLength));
}

void expectSigner(const SignatureVerdict& verdict, int signer) {
  EXPECT_EQ(verdict.check, SignatureCheck::kVerified);
  EXPECT_EQ(verdict.signer, signer);
}

void expectNotTrusted(const SignatureVerdict& verdict) {
  EXPECT_EQ(verdict.check, SignatureCheck::kNotTrusted);
  EXPECT_EQ(verdict.signer, -1);
}

}  // namespace

TEST(ReleaseSignature, TheSignersKeyVerifiesIt) {
  expectSigner(check({kKeyFirst}, kByFirst), 0);
  expectSigner(check({kKeyOther}, kByOther), 0);
}

TEST(ReleaseSignature, AKeyListOfTwoNamesTheOneThatSigned) {
  expectSigner(check({kKeyFirst, kKeySecond}, kBySecond), 1);
  expectSigner(check({kKeyFirst, kKeySecond}, kByFirst), 0);
  expectNotTrusted(check({kKeyFirst}, kBySecond));
}

TEST(ReleaseSignature, AnotherKeysSignatureIsNotTrusted) {
  expectNotTrusted(check({kKeyFirst, kKeySecond}, kByOther));
  expectNotTrusted(check({}, kByFirst));
}

TEST(ReleaseSignature, ChangedBytesAreNotTrusted) {
  std::vector<unsigned char> bytes(kSignedBytes, kSignedBytes + kSignedBytesLength);
  bytes[30] ^= 0x01;
  expectNotTrusted(check({kKeyFirst}, kByFirst, bytes));
  bytes[30] ^= 0x01;
  bytes.pop_back();
  expectNotTrusted(check({kKeyFirst}, kByFirst, bytes));
  bytes.push_back('\n');
  bytes.push_back('\n');
  expectNotTrusted(check({kKeyFirst}, kByFirst, bytes));
}

TEST(ReleaseSignature, AChangedOrCutSignatureIsNotTrusted) {
  std::vector<unsigned char> changed(kSignatureByFirst, kSignatureByFirst + kSignatureByFirstLength);
  changed[changed.size() / 2] ^= 0x80;
  expectNotTrusted(check({kKeyFirst}, {changed.data(), changed.size()}));
  expectNotTrusted(check({kKeyFirst}, {kSignatureByFirst, kSignatureByFirstLength - 1}));
  expectNotTrusted(check({kKeyFirst}, {kSignatureByFirst, 0}));
  const std::vector<unsigned char> longest(kMostSignatureBytes + 1, 0x5A);
  expectNotTrusted(check({kKeyFirst}, {longest.data(), longest.size()}));
}

TEST(ReleaseSignature, AKeyBlobThatCannotBeUsedIsPassedOver) {
  const ReleaseKey none = {nullptr, 0};
  const ReleaseKey headerOnly = {kKeyFirst.blob, 20};
  // The header names a 3072-bit modulus; a hundred bytes of it are there.
  const ReleaseKey cut = {kKeyFirst.blob, 120};
  std::vector<unsigned char> otherVersion(kKeyFirst.blob, kKeyFirst.blob + kKeyFirst.size);
  otherVersion[1] = 9;
  const ReleaseKey unknown = {otherVersion.data(), static_cast<unsigned int>(otherVersion.size())};
  expectSigner(check({none, headerOnly, cut, unknown, kKeySecond}, kBySecond), 4);
  expectNotTrusted(check({headerOnly, cut, unknown}, kByFirst));
}
