#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/OpenFile.h"

// The system's file calls that writing a file makes, one per step. Tests
// make them fail, or change the folder between two of them; the program
// uses these.
class WriteCalls {
 public:
  virtual ~WriteCalls() = default;
  // The file a save writes over, opened once: for writing, without
  // following a link and without waiting (a pipe gives ENXIO). -1 with
  // errno set on failure.
  virtual int Open(int folder, const char* name);
  // A new file, made exclusively: an existing name, a link or a pipe too,
  // gives EEXIST, and nothing ever waits. -1 with errno set on failure.
  virtual int Create(int folder, const char* name, mode_t mode);
  // All of bytes from the file's first byte on; false with errno set.
  virtual bool WriteAll(int fd, std::string_view bytes);
  virtual int Sync(int fd);
  // flags as renameat2 takes them: 0, RENAME_NOREPLACE (done with a link
  // where the file system has no such rename) or RENAME_EXCHANGE.
  virtual int Rename(int folder, const char* from, const char* to, unsigned flags);
  // Deletes a name of the folder.
  virtual int Unlink(int folder, const char* name);
  // What makes a rename in the folder last through a power cut. A file
  // system that cannot sync a folder at all (EINVAL) has nothing more to
  // give, and counts as done.
  virtual int SyncFolder(int folder);
};

// The calls of the running system.
WriteCalls& SystemWriteCalls();

// What the name is to lead to when the new file takes it.
struct Replacing {
  enum class Kind {
    Anything,  // whatever it is: a folder of the program's own
    Nothing,   // no file: a document saved under a new name
    File,      // the file checked, by device and inode
  };
  Kind kind = Kind::Anything;
  dev_t device = 0;
  ino_t inode = 0;
};

// How a durable write ended.
struct DurableOutcome {
  // Open is FileAccess's own step, before a durable write's.
  // Unlink is RecoveryFile::Remove's.
  enum class Step { Open, Create, Prepare, Write, Sync, Rename, SyncFolder, Unlink };
  std::optional<Step> failed;  // nothing: every step was done
  int error = 0;               // errno of the step that failed
  // The name led elsewhere than the write was told (another file, a link,
  // nothing) when the new file was to take it, or once it had: what lay
  // there was left as it was, and the write failed.
  bool displaced = false;
  // Once renamed: the new file, still open when asked for, and what it was
  // once it had the name.
  Descriptor file;
  struct stat made = {};
  // The new file took the target's place, whether or not the folder's sync
  // confirmed it.
  bool Replaced() const { return !displaced && (!failed || *failed == Step::SyncFolder); }
};

// Replaces `name` in the open folder with bytes, durably: a temporary
// file under a name of its own (".numino-" and random letters), made
// exclusively and locked (flock) for as long as the write goes on,
// `prepare`d (its mode, attributes; false with errno set stops there),
// written fully, synced, renamed over the name as `replacing` says, and
// then the folder synced. Before the rename, whatever fails leaves the
// target as it was and no temporary file behind. The new file stays open
// (and locked) in the outcome when keepOpen is set; else it is closed, and
// the close checked, before the rename.
DurableOutcome WriteDurably(WriteCalls& calls, int folder, const std::string& name,
                            std::string_view bytes, mode_t mode,
                            const std::function<bool(int fd)>& prepare, bool keepOpen,
                            const Replacing& replacing = {});

// Locks the open file unless another open file holds it; EINTR is retried.
bool LockNow(int fd);
// Whether the name in the folder still leads to the open file.
bool StillNamed(int folder, const std::string& name, int fd);

// Removes from the open folder the temporary files of durable writes that
// nobody holds any more, whoever made them: regular files with one link,
// named exactly as WriteDurably names them. A writer holds its file from
// the moment it makes it, so one that nobody holds was left by a write
// that died. Names of the older form ".numino-PID-N", whose writers held
// no lock, go once they are a minute old. Nothing else is touched.
void RemoveUnheldTemporaries(int folder);
