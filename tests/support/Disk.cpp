#include "support/Disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace numino::testing {

namespace {

int OpenUp(const char* path, const struct stat* info, int kind, struct FTW*) {
  if (kind == FTW_D || kind == FTW_DNR) ::chmod(path, (info->st_mode & 07777) | 0700);
  return 0;
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
  ::remove(path);
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
  ::nftw(path_.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
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
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string AttributeOf(const std::string& path, const char* name) {
  std::string value(256, '\0');
  const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
  if (size < 0) return "<none>";
  value.resize(static_cast<std::size_t>(size));
  return value;
}

}  // namespace numino::testing
