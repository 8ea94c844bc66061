#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// An open file, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor();
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  int Release();
  // Closes now and tells whether that worked: some file systems report a
  // failed write only here.
  bool Close();

 private:
  int fd_;
};

// Reads the open file from where it stands into bytes, up to limit + 1
// bytes: one more than the limit tells that the file goes on. False, with
// errno set, when a read fails; EINTR is retried.
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes);

// The names in the open folder, without "." and "..", in the system's
// order; nothing, with errno set, when it cannot be listed. The folder's
// own descriptor stays as it was.
std::optional<std::vector<std::string>> FolderEntries(int folder);
