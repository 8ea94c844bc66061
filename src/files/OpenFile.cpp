#include "files/OpenFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

int Descriptor::Release() { return std::exchange(fd_, -1); }

bool Descriptor::Close() { return ::close(Release()) == 0; }

bool ReadUpTo(int fd, std::size_t limit, std::string& bytes) {
  char buffer[65536];
  while (bytes.size() <= limit) {
    const std::size_t wanted = std::min(sizeof buffer, limit + 1 - bytes.size());
    const ssize_t got = ::read(fd, buffer, wanted);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

std::optional<std::vector<std::string>> FolderEntries(int folder) {
  // A descriptor of the listing's own, which closedir closes.
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return std::nullopt;
  DIR* entries = ::fdopendir(listing);
  if (!entries) {
    const int error = errno;
    ::close(listing);
    errno = error;
    return std::nullopt;
  }
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(entries)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const int error = errno;
  ::closedir(entries);
  if (error != 0) {
    errno = error;
    return std::nullopt;
  }
  return names;
}
