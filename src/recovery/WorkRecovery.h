#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "model/NuminoSchema.h"
#include "recovery/RecoveryFile.h"
#include "recovery/RecoveryFormat.h"
#include "recovery/Timer.h"

// Keeps the recovery file of one document in step with it: written while
// the document holds work a crash would lose, removed when nothing is left
// to lose. A change on the keystroke path only starts the timer, and only
// when it is not running already, so the file is written at most kDelay
// after a change, however steadily the user types, and never by the key
// itself. A write that fails is tried again, kRetry later each time, for as
// long as there is work to keep.
class WorkRecovery {
 public:
  static constexpr std::chrono::milliseconds kDelay{1000};
  static constexpr std::chrono::milliseconds kRetry{4000};

  // Why the work cannot be kept: the folder, and the reason in Italian.
  struct Fault {
    std::string folder;
    std::string reason;
    bool operator==(const Fault&) const = default;
  };

  // The timer is this one's alone, and outlives it. calls: the system's
  // own, or a test's that fail.
  WorkRecovery(const numino::NuminoSchema& schema, std::string folder, Timer& timer,
               WriteCalls& calls = SystemWriteCalls());
  ~WorkRecovery();
  WorkRecovery(const WorkRecovery&) = delete;
  WorkRecovery& operator=(const WorkRecovery&) = delete;

  // Called when a write fails, until it tells the user (returns true):
  // then not again for the same fault, however often the retries fail,
  // until a write works.
  std::function<bool(const Fault&)> onFault;

  // The newest file left behind by a program that did not close normally,
  // held by this one from now on, or why the folder could not be looked
  // through.
  RecoveryFile::Leftover TakeOrphan() { return file_.TakeOrphan(); }

  // The document changed by a key or a click: the file follows soon.
  void NoteChange();
  // The document changed by a command: the file follows now.
  void Settle();
  // A change noted and not yet written is written now.
  void WritePending();
  // Nothing is to be kept: the file goes, whatever the document holds.
  void Discard();
  // The file stays as it is from now on, whatever happens to the document:
  // the program is ending and leaves its work, or another's, for the next
  // start.
  void Freeze();

  // Whether the file, as the last settle left it, keeps what the document
  // holds: false after a failed write, until one works.
  bool Kept() const { return !fault_; }
  const std::optional<Fault>& LastFault() const { return fault_; }
  const RecoveryFile& File() const { return file_; }

 private:
  void Remove();

  const numino::NuminoSchema& schema_;
  RecoveryFile file_;
  Timer& timer_;
  std::string written_;  // what the file holds, once this program wrote it
  std::optional<Fault> fault_;
  std::optional<Fault> told_;  // what the user was told, until a write works
  bool frozen_ = false;
};
