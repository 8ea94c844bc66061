#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "files/DurableWrite.h"
#include "recovery/RecoveryFormat.h"

// The recovery files on disk, one per running program, in a folder of the
// user's own: owned by the user, writable by nobody else (a looser mode is
// set to 0700), and no link; another's folder is never used. The files
// are 0600. Each running program holds an flock lock on its file for as
// long as it runs, so a file nobody holds was left by a program that ended
// without a normal close. A file is replaced through a durable write whose
// new file is locked before the rename, so the name never leads to an
// unlocked file while its program runs. Paths travel as the system's bytes.
class RecoveryFile {
 public:
  // $XDG_STATE_HOME/numino when that is an absolute path, else
  // ~/.local/state/numino, home being $HOME when that is absolute, else
  // the user's home in the password database. Nothing is created until the first write.
  static std::string DefaultFolder();

  // calls: the system's own, or a test's that fail.
  explicit RecoveryFile(std::string folder, WriteCalls& calls = SystemWriteCalls());
  // Lets go of the file (and its lock) but leaves it on disk: a program
  // that ends without removing it has work the next start offers back.
  ~RecoveryFile() = default;
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  const std::string& Folder() const { return folder_; }

  // What a start finds in the folder.
  struct Leftover {
    std::optional<numino::recovery::Work> work;
    // Why the folder could not be looked through, in Italian: whatever it
    // holds stays there for a later start. Empty when it was looked
    // through, and when it is missing or not the user's own, which holds
    // no work of theirs.
    std::string unreadable;
  };
  // Looks for files that no running program holds. A damaged one, or one of
  // another version, is renamed to NAME.damaged and never offered. One
  // whose work its document on disk already holds (no hand exclusions,
  // the same digits), or an empty one, is deleted when it can be, and
  // never offered. Of the others the newest is taken over: this program
  // holds it from now on, as its own file, and gives back its work. The
  // rest stay for later starts. What dead writes left is removed. Creates
  // nothing.
  Leftover TakeOrphan();

  // Replaces this program's file with bytes, making the folder first when
  // needed. Nothing when the file was written; else why not, in Italian.
  // A file that took the old one's place although the folder's sync then
  // failed is this program's all the same; the old one is gone.
  std::optional<std::string> Write(std::string_view bytes);
  // Deletes this program's file, if it has one, and syncs the folder; a
  // file that cannot go is emptied, which offers nothing. Nothing when
  // done; else why not, in Italian. The file is let go either way.
  std::optional<std::string> Remove();
  bool Exists() const { return file_.Valid(); }
  // The file's path, empty while it has none.
  std::string Path() const;

 private:
  // Why the folder cannot be used, in Italian; foreign when it is missing
  // or not the user's own, so that no work of theirs can be in it.
  struct Refusal {
    std::string reason;
    bool foreign = false;
  };
  // The folder, open, once it is the user's own; else why not. A missing
  // one is made (0700, and the missing folders above it) only when create
  // is set.
  std::variant<Descriptor, Refusal> OpenFolder(bool create);

  std::string folder_;
  WriteCalls& calls_;
  std::string name_;  // within folder_; chosen at the first write or take-over
  Descriptor file_;   // the file, locked
};
