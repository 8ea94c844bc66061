#include "recovery/WorkRecovery.h"

#include <utility>

WorkRecovery::WorkRecovery(const numino::NuminoSchema& schema, std::string folder, Timer& timer,
                           WriteCalls& calls)
    : schema_(schema), file_(std::move(folder), calls), timer_(timer) {
  timer_.OnTimeout([this] { Settle(); });
}

WorkRecovery::~WorkRecovery() {
  timer_.Stop();
  timer_.OnTimeout(nullptr);
}

void WorkRecovery::NoteChange() {
  if (!frozen_ && !timer_.Running()) timer_.Start(kDelay);
}

void WorkRecovery::WritePending() {
  if (timer_.Running()) Settle();
}

void WorkRecovery::Settle() {
  timer_.Stop();
  if (frozen_) return;
  if (!numino::recovery::HasWorkToLose(schema_)) {
    Remove();
    return;
  }
  std::string text = numino::recovery::Format(numino::recovery::WorkOf(schema_));
  // Nothing the file keeps changed since the last write (a key that did
  // nothing, a save of the same work): no write. The file keeps the
  // current cell too, so a move of the cursor does rewrite it.
  if (Kept() && file_.Exists() && text == written_) return;
  std::optional<std::string> failure = file_.Write(text);
  if (!failure) {
    written_ = std::move(text);
    fault_.reset();
    told_.reset();
    return;
  }
  // Whatever the file holds now, the next write must not be skipped.
  written_.clear();
  timer_.Start(kRetry);
  fault_ = Fault{file_.Folder(), std::move(*failure)};
  if (told_ != fault_ && onFault && onFault(*fault_)) told_ = fault_;
}

void WorkRecovery::Discard() {
  timer_.Stop();
  if (!frozen_) Remove();
}

// A file that could not go is a fault like a failed write: the work it
// holds is not what the document holds.
void WorkRecovery::Remove() {
  written_.clear();
  fault_.reset();
  if (std::optional<std::string> failure = file_.Remove()) {
    fault_ = Fault{file_.Folder(), std::move(*failure)};
  }
}

void WorkRecovery::Freeze() {
  timer_.Stop();
  frozen_ = true;
}
