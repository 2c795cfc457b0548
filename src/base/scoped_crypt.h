// Ownership of the system's cryptography handles (a provider, a hash, a key), closed when
// their owner goes: the digests of downloads and the release's signature check take them.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "base/scoped_handle.h"

// A provider context, released with its flags 0.
struct CryptProviderTraits {
  using Handle = HCRYPTPROV;
  static Handle none() { return 0; }
  static void close(Handle handle) { CryptReleaseContext(handle, 0); }
};

struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle none() { return 0; }
  static void close(Handle handle) { CryptDestroyHash(handle); }
};

struct CryptKeyTraits {
  using Handle = HCRYPTKEY;
  static Handle none() { return 0; }
  static void close(Handle handle) { CryptDestroyKey(handle); }
};

using ScopedCryptProvider = ScopedHandle<CryptProviderTraits>;
using ScopedCryptHash = ScopedHandle<CryptHashTraits>;
using ScopedCryptKey = ScopedHandle<CryptKeyTraits>;
