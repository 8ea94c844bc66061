#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/RecoveryFormat.h"

// The recovery files on disk, one per running program, in a folder of the
// user's own (mode 0700; the files 0600). Each running program holds an
// flock lock on its file for as long as it runs, so a file nobody holds was
// left by a program that ended without a normal close. A file is replaced
// through a temporary file locked before the rename, so the name never
// leads to an unlocked file while its program runs. Paths travel as the
// system's bytes.
class RecoveryFile {
 public:
  // $XDG_STATE_HOME/numino when that is an absolute path, else
  // ~/.local/state/numino. Nothing is created until the first write.
  static std::string DefaultFolder();

  explicit RecoveryFile(std::string folder);
  // Lets go of the file (and its lock) but leaves it on disk: a program
  // that ends without removing it has work the next start offers back.
  ~RecoveryFile();
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  // Looks for files that no running program holds. A damaged one, or one of
  // another version, is renamed to NAME.damaged and never offered. Of the
  // others the newest is taken over: this program holds it from now on, as
  // its own file, and gives back its work. The rest stay for later starts.
  // Does nothing, and creates nothing, when the folder does not exist.
  std::optional<numino::recovery::Work> TakeOrphan();

  // Replaces this program's file with bytes, making the folder first when
  // needed. False when the file could not be written; the old one, if any,
  // is then still in place.
  bool Write(std::string_view bytes);
  // Deletes this program's file, if it has one.
  void Remove();
  bool Exists() const { return fd_ >= 0; }
  // The file's path, empty while it has none.
  std::string Path() const;

 private:
  bool MakeFolder();

  std::string folder_;
  std::string name_;  // within folder_; chosen at the first write or take-over
  int fd_ = -1;       // the file, locked
};
