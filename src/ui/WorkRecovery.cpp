#include "ui/WorkRecovery.h"

#include <QtGlobal>

#include <utility>

WorkRecovery::WorkRecovery(const numino::NuminoSchema& schema, std::string folder)
    : schema_(schema), file_(std::move(folder)) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &WorkRecovery::Settle);
}

void WorkRecovery::NoteChange() {
  if (!frozen_ && !timer_.isActive()) timer_.start();
}

void WorkRecovery::Settle() {
  timer_.stop();
  if (frozen_) return;
  if (!numino::recovery::HasWorkToLose(schema_)) {
    Remove();
    return;
  }
  std::string text = numino::recovery::Format(numino::recovery::WorkOf(schema_));
  if (file_.Exists() && text == written_) return;  // moving about changes nothing
  if (file_.Write(text)) {
    written_ = std::move(text);
    return;
  }
  // A failure here costs nothing yet, and a message box on every timer would
  // be worse than the loss it warns of: it is told once, on the error stream.
  if (!std::exchange(warned_, true)) {
    qWarning("Numino: impossibile scrivere il file di recupero");
  }
}

void WorkRecovery::Discard() {
  timer_.stop();
  if (!frozen_) Remove();
}

void WorkRecovery::Remove() {
  file_.Remove();
  written_.clear();
}

void WorkRecovery::Freeze() {
  timer_.stop();
  frozen_ = true;
}
