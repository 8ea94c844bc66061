// The schema's edit history: recording a change, and forgetting them all.

#include "model/NuminoSchema.h"

namespace numino {

void NuminoSchema::PushHistory(const UndoRecord& record) {
  // Whatever was undone can no longer be redone once a new edit is made.
  history.resize(static_cast<std::size_t>(historyPos + 1));
  history.push_back(record);
  ++historyPos;
}

void NuminoSchema::ClearHistory() {
  history.clear();
  historyPos = -1;
}

}  // namespace numino
