#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "files/OpenFile.h"

// The system's file calls that writing a file makes, one per step. Tests
// make them fail; the program uses these.
class WriteCalls {
 public:
  virtual ~WriteCalls() = default;
  // A new file, made exclusively: an existing name, a link or a pipe too,
  // gives EEXIST, and nothing ever waits. -1 with errno set on failure.
  virtual int Create(int folder, const char* name, mode_t mode);
  // All of bytes from the file's first byte on; false with errno set.
  virtual bool WriteAll(int fd, std::string_view bytes);
  virtual int Sync(int fd);
  virtual int Rename(int folder, const char* from, const char* to);
  // What makes a rename in the folder last through a power cut. A file
  // system that cannot sync a folder at all (EINVAL) has nothing more to
  // give, and counts as done.
  virtual int SyncFolder(int folder);
};

// The calls of the running system.
WriteCalls& SystemWriteCalls();

// How a durable write ended.
struct DurableOutcome {
  enum class Step { Create, Prepare, Write, Sync, Rename, SyncFolder };
  std::optional<Step> failed;  // nothing: every step was done
  int error = 0;               // errno of the step that failed
  // Once renamed: the new file, still open when asked for, and what it was
  // once synced.
  Descriptor file;
  struct stat made = {};
  // The new file took the target's place, whether or not the folder's sync
  // confirmed it.
  bool Replaced() const { return !failed || *failed == Step::SyncFolder; }
};

// Replaces `name` in the open folder with bytes, durably: a temporary
// file of this process's own (".numino-PID-N") made exclusively, `prepare`d
// (its mode, attributes, a lock; false with errno set stops there), written
// fully, synced, renamed over the name, and then the folder synced. Before
// the rename, whatever fails leaves the target as it was and no temporary
// file behind. The new file stays open in the outcome when keepOpen is set
// (it holds a lock, say); else it is closed, and checked, before the rename.
DurableOutcome WriteDurably(WriteCalls& calls, int folder, const std::string& name,
                            std::string_view bytes, mode_t mode,
                            const std::function<bool(int fd)>& prepare, bool keepOpen);

// Removes from the open folder what durable writes that died before their
// rename left there: regular files of our user with one link, named
// exactly as WriteDurably names its temporary files, a minute old or
// more, whose process no longer exists. Nothing else is touched: not a
// running write's file (another running program's included), not another
// user's, not a name that only looks alike.
void RemoveDeadTemporaries(int folder);
