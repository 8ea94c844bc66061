#include "model/NuminoSchema.h"

namespace numino {

void NuminoSchema::UndoStep(DrawingSurface& frm) {
  if (!CanUndo()) return;
  const UndoRecord& r = history[static_cast<std::size_t>(historyPos)];
  Replay(frm, r, r.oldValue);
  --historyPos;
}

// Redo works whenever an undone record exists, however long the history.
void NuminoSchema::RedoStep(DrawingSurface& frm) {
  if (!CanRedo()) return;
  ++historyPos;
  const UndoRecord& r = history[static_cast<std::size_t>(historyPos)];
  Replay(frm, r, r.newValue);
}

// A digit (0..9) is written back through SetBuffer without recording anything
// new, which marks the document modified, and its cell becomes current. A
// negative value is an exclusion mask in its complement encoding: it is
// written back and the current cell stays where it is.
void NuminoSchema::Replay(DrawingSurface& frm, const UndoRecord& r, std::int16_t value) {
  if (value < 0) {
    userExclusions[r.row][r.col] = DecodeMask(value);
    DisplayNumber(frm, r.row, r.col);
  } else {
    SetBuffer(r.row, r.col, value, true);
    SetCurrentCell(frm, r.row, r.col);
  }
}

}  // namespace numino
