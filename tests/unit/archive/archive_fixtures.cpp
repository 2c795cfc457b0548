// Fixture access, scratch folders, tree listings and log lines for the archive tests.
#include "archive_fixtures.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/install_log_text.h"

namespace {

std::string hex(const BYTE* bytes, DWORD count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (DWORD i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

std::string sha1OfFile(const std::string& path) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
  CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash);
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
    CryptHashData(hash, reinterpret_cast<BYTE*>(buffer.data()), static_cast<DWORD>(in.gcount()), 0);
  }
  BYTE digest[20];
  DWORD size = sizeof digest;
  CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
  CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  return hex(digest, size);
}

template <class Visit>
void forEachChild(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void removeTree(const std::string& folder) {
  forEachChild(folder, [&](const std::string& name, bool isFolder) {
    const std::string path = folder + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (isFolder) removeTree(path);
    else DeleteFileA(path.c_str());
  });
  RemoveDirectoryA(folder.c_str());
}

void listInto(const std::string& folder, const std::string& prefix, std::vector<std::string>& lines) {
  forEachChild(folder, [&](const std::string& name, bool isFolder) {
    const std::string path = folder + "\\" + name;
    if (isFolder) {
      lines.push_back("D " + prefix + name);
      listInto(path, prefix + name + "\\", lines);
    } else {
      lines.push_back("F " + sha1OfFile(path) + " " + prefix + name);
    }
  });
}

}  // namespace

std::string fixture(const std::string& name) {
  const char* folder = std::getenv("OSTREL_ARCHIVE_FIXTURES");
  std::string path = std::string("Z:") + (folder ? folder : "/nonexistent") + "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string scratchFolder(const std::string& tag) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name() + tag;
  std::replace(name.begin(), name.end(), '/', '_');
  const std::string folder = fixture("scratch\\" + name);
  removeTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

ScratchDestination::ScratchDestination(const std::string& tag)
    : outside(scratchFolder(tag)), dest(outside + "\\dest") {}

std::string ScratchDestination::ofLength(size_t length) const {
  EXPECT_LT(outside.size() + 1, length) << "the build folder's path is too long for this test";
  return outside + "\\" + std::string(length - outside.size() - 1, 'p');
}

std::vector<std::string> manifest(const std::string& archive) {
  std::ifstream in(fixture(archive + ".manifest"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> listTree(const std::string& folder) {
  std::vector<std::string> lines;
  listInto(folder, "", lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> installLogLines() {
  std::istringstream text(installLogText());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line.substr(0, line.find('\r')));
  return lines;
}

HeldFile::HeldFile(const std::string& path)
    : m_handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr)) {
  EXPECT_NE(m_handle, INVALID_HANDLE_VALUE) << path;
}

HeldFile::~HeldFile() { CloseHandle(m_handle); }
