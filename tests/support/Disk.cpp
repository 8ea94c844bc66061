#include "support/Disk.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace numino::testing {

namespace {

int OpenUp(const char* path, const struct stat* info, int kind, struct FTW*) {
  if (kind == FTW_D || kind == FTW_DNR) ::chmod(path, (info->st_mode & 07777) | 0700);
  return 0;
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && base[0] == '/' ? base : "/tmp") + "/numino-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  ::nftw(path_.c_str(), OpenUp, 16, FTW_PHYS);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void Put(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << path;
}

std::string Get(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void MakeOld(const std::string& path, int age) {
  const time_t then = ::time(nullptr) - age;
  const struct timespec times[2] = {{then, 0}, {then, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string AttributeOf(const std::string& path, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
  if (size < 0) return "<none>";
  value.resize(static_cast<std::size_t>(size));
  return value;
}

}  // namespace numino::testing
