#include "recovery/WorkRecovery.h"

#include <cstdio>
#include <utility>

WorkRecovery::WorkRecovery(const numino::NuminoSchema& schema, std::string folder, Timer& timer)
    : schema_(schema), file_(std::move(folder)), timer_(timer) {
  timer_.OnTimeout([this] { Settle(); });
}

WorkRecovery::~WorkRecovery() {
  timer_.Stop();
  timer_.OnTimeout(nullptr);
}

void WorkRecovery::NoteChange() {
  if (!frozen_ && !timer_.Running()) timer_.Start(kDelay);
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
  if (file_.Exists() && text == written_) return;
  if (file_.Write(text)) {
    written_ = std::move(text);
    return;
  }
  // A failure here costs nothing yet, and a message box on every timer would
  // be worse than the loss it warns of: it is told once, on the error stream.
  if (!std::exchange(warned_, true)) {
    std::fputs("Numino: impossibile scrivere il file di recupero\n", stderr);
  }
}

void WorkRecovery::Discard() {
  timer_.Stop();
  if (!frozen_) Remove();
}

void WorkRecovery::Remove() {
  file_.Remove();
  written_.clear();
}

void WorkRecovery::Freeze() {
  timer_.Stop();
  frozen_ = true;
}
