// Adding a root certificate to the user's store.
#include "trusted_root.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>

bool trustRootCertificate(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (der.empty()) return false;
  return CertAddEncodedCertificateToSystemStoreA("ROOT", reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size())) != FALSE;
}
