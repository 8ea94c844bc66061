#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "files/DurableWrite.h"
#include "model/Platform.h"

// The document files on disk: looking at a path, reading the start of a
// file, writing one.
// A save keeps the file's identity: owner, group, mode, hard links,
// extended attributes and ACL, and a symbolic link stays a link. It is
// reported done only once the system has confirmed that it reached the
// disk, and written only into the file that was checked.
// Every call into the operating system's file functions for documents is
// made here. Paths travel as the system's bytes, whatever their encoding.
class FileAccess : public numino::Files {
 public:
  // calls: the system's own, or a test's that fail.
  explicit FileAccess(WriteCalls& calls = SystemWriteCalls()) : calls_(calls) {}

  // Without the closing NUL.
  std::size_t MaxPathLength() override;
  bool FileExists(const std::string& path) override;
  std::optional<numino::FileStamp> StampOf(const std::string& path) override;
  // Anything that is not a regular file is refused without being opened.
  numino::FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) override;
  numino::FileStamp WriteFile(const std::string& path, std::string_view bytes,
                              const std::optional<numino::FileStamp>& expected) override;

 private:
  // old and oldFile: the file replaced and its descriptor, or nullptr and
  // -1 for a new file.
  std::optional<numino::FileStamp> ThroughTemporary(const std::string& path, int folder,
                                                    const std::string& name, const struct stat* old,
                                                    int oldFile, std::string_view bytes);
  numino::FileStamp InPlace(const std::string& path, int folder, const std::string& name, int fd,
                            std::string_view bytes);

  WriteCalls& calls_;
};
