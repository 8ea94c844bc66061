#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/Platform.h"

struct stat;

// The document files on disk: looking at a path, reading the start of a
// file, writing one.
// A save keeps the file's identity: owner, group, mode, hard links,
// extended attributes and ACL, and a symbolic link stays a link. It is
// reported done only once the system has confirmed that it reached the
// disk.
// Every call into the operating system's file functions for documents is
// made here. Paths travel as the system's bytes, which are UTF-8.
class FileAccess : public numino::Files {
 public:
  // Without the closing NUL.
  std::size_t MaxPathLength() override;
  bool FileExists(const std::string& path) override;
  std::optional<numino::FileStamp> StampOf(const std::string& path) override;
  // Anything that is not a regular file is refused without being opened.
  numino::FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) override;
  numino::FileStamp WriteFile(const std::string& path, std::string_view bytes) override;

 protected:
  // Writes bytes into the open file from its first byte on; false on
  // failure, with errno telling why. Both ways of saving write through
  // here; tests override it to fail half-way.
  virtual bool WriteBytes(int fd, std::string_view bytes);
  // Makes the renames in the open folder last through a power cut; false on
  // failure, with errno telling why. Tests override it to fail.
  virtual bool SyncFolder(int folder);

 private:
  // old and oldFile: the file replaced and its descriptor, or nullptr and
  // -1 for a new file.
  std::optional<numino::FileStamp> ThroughTemporary(const std::string& path, int folder,
                                                    const std::string& name, const struct stat* old,
                                                    int oldFile, std::string_view bytes);
  numino::FileStamp InPlace(const std::string& path, int fd, std::string_view bytes);
};
