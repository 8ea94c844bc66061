#pragma once

// What a file was and why it could not be read or written: the values
// that the document files hand to the core through `numino::Files`. Header
// only and free of everything else, so that the core, which only names
// them, needs no more of this room.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace numino {

// A moment, to the nanosecond, since 1970-01-01 UTC.
struct FileTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  bool operator==(const FileTime&) const = default;
};

// What a file was when the document last read or wrote it: which file
// (device and inode) and what it held (size, time of the last change, to
// the nanosecond), and when its inode last changed (ctime), which a
// program that restores the modification time cannot set back. A
// different stamp for the same path means that another program changed
// the file or put another one, or a link, in its place.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedSeconds = 0;  // since 1970-01-01 UTC
  std::int64_t modifiedNanoseconds = 0;
  // Nothing: not known, in a stamp that an older version kept.
  std::optional<FileTime> changed;
  bool operator==(const FileStamp&) const = default;
  // The same file with the same contents, as far as both stamps tell.
  bool SameAs(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds &&
           (!changed || !other.changed || *changed == *other.changed);
  }
};

// A file could not be read or written. `reason` is a short Italian text
// meant for the user ("permesso negato"); the message box adds the file.
// `mayBeIncomplete`: the write failed after it had begun writing over the
// file itself, which may now hold part of the new contents.
class FileError : public std::runtime_error {
 public:
  FileError(std::string path, std::string reason, bool mayBeIncomplete = false)
      : std::runtime_error(path + ": " + reason),
        path_(std::move(path)),
        reason_(std::move(reason)),
        mayBeIncomplete_(mayBeIncomplete) {}
  // The new contents took the file's place, but the system did not confirm
  // that the change reached the disk: every program reads them now, and a
  // power cut may still undo the save. `written` is the stamp of the file
  // that now holds them.
  static FileError WrittenButUnconfirmed(std::string path, std::string reason, FileStamp written) {
    FileError error(std::move(path), std::move(reason));
    error.unconfirmed_ = written;
    return error;
  }
  const std::string& Path() const { return path_; }
  const std::string& Reason() const { return reason_; }
  bool MayBeIncomplete() const { return mayBeIncomplete_; }
  const std::optional<FileStamp>& UnconfirmedStamp() const { return unconfirmed_; }

 private:
  std::string path_;
  std::string reason_;
  bool mayBeIncomplete_;
  std::optional<FileStamp> unconfirmed_;
};

// The first bytes of a file, whether they are all of it, and the stamp of
// the file they came from.
struct FileStart {
  std::string bytes;
  bool wholeFile = false;
  FileStamp stamp;
};

}  // namespace numino
