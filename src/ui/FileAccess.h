#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/Platform.h"

struct stat;

// The document files on disk: looking at a path, reading the start of a
// file, writing one, and the Italian reasons for the system's error numbers.
// A save keeps the file's identity: owner, group, mode, hard links,
// extended attributes and ACL, and a symbolic link stays a link.
// Every call into the operating system's file functions is made here, so a
// port to another system changes this unit alone. Paths travel as UTF-8.
class FileAccess {
 public:
  virtual ~FileAccess() = default;

  // The longest path the system takes, in bytes, without the closing NUL.
  static std::size_t MaxPathLength();
  // Whether anything has that name, a broken symbolic link too.
  bool FileExists(const std::string& path);
  // The stamp of what the path leads to, following links; nothing when
  // there is nothing there. Throws FileError.
  std::optional<numino::FileStamp> StampOf(const std::string& path);
  // At most maxBytes from the start of a regular file; anything that is not
  // a regular file is refused without being opened. Throws FileError.
  numino::FileStart ReadFileStart(const std::string& path, std::size_t maxBytes);
  // Replaces the file's contents as a whole and gives the stamp of the file
  // written. Throws FileError, which tells whether the file itself may have
  // been left incomplete.
  numino::FileStamp WriteFile(const std::string& path, std::string_view bytes);

 protected:
  // Writes bytes into the open file from its first byte on; false on
  // failure, with errno telling why. Both ways of saving write through
  // here; tests override it to fail half-way.
  virtual bool WriteBytes(int fd, std::string_view bytes);

 private:
  std::optional<numino::FileStamp> ThroughTemporary(const std::string& path,
                                                    const std::string& target,
                                                    const struct stat* old, std::string_view bytes);
  numino::FileStamp InPlace(const std::string& path, int fd, std::string_view bytes);
};

// The Italian reason shown to the user for a failed file operation: from
// the error number when it is a common one, else Qt's own error text.
std::string FileErrorReason(int errorNumber, const QString& fallback);
