#include "files/OpenFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
