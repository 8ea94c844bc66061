#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "document/RecoveryFormat.h"
#include "model/NuminoSchema.h"
#include "recovery/RecoveryFile.h"
#include "recovery/Timer.h"

// Keeps the recovery file of one document in step with it: written while
// the document holds work a crash would lose, removed when nothing is left
// to lose. A change on the keystroke path only starts the timer, and only
// when it is not running already, so the file is written at most kDelay
// after a change, however steadily the user types, and never by the key
// itself.
class WorkRecovery {
 public:
  static constexpr std::chrono::milliseconds kDelay{1000};

  // The timer is this one's alone, and outlives it.
  WorkRecovery(const numino::NuminoSchema& schema, std::string folder, Timer& timer);
  ~WorkRecovery();
  WorkRecovery(const WorkRecovery&) = delete;
  WorkRecovery& operator=(const WorkRecovery&) = delete;

  // The newest file left behind by a program that did not close normally,
  // held by this one from now on; nothing when there is none.
  std::optional<numino::recovery::Work> TakeOrphan() { return file_.TakeOrphan(); }

  // The document changed by a key or a click: the file follows soon.
  void NoteChange();
  // The document changed by a command: the file follows now.
  void Settle();
  // Nothing is to be kept: the file goes, whatever the document holds.
  void Discard();
  // The file stays as it is from now on, whatever happens to the document:
  // the program is ending and leaves its work for the next start.
  void Freeze();

  const RecoveryFile& File() const { return file_; }

 private:
  void Remove();

  const numino::NuminoSchema& schema_;
  RecoveryFile file_;
  Timer& timer_;
  std::string written_;  // what the file holds, once this program wrote it
  bool frozen_ = false;
  bool warned_ = false;
};
