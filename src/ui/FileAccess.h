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
// extended attributes and ACL, and a symbolic link stays a link. It is
// reported done only once the system has confirmed that it reached the
// disk.
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

// The Italian reason shown to the user for a failed file operation: from
// the error number when it is a common one, else Qt's own error text.
std::string FileErrorReason(int errorNumber, const QString& fallback);
