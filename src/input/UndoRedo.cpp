#include "model/NuminoSchema.h"

namespace numino {

// Value records are replayed through SetBuffer without recording anything
// new (which marks the document modified) and make the cell current;
// exclusion records write the mask back and leave the current cell alone.

void NuminoSchema::UndoStep(DrawingSurface& frm) {
  if (!CanUndo()) return;
  const UndoRecord r = history[static_cast<std::size_t>(historyPos)];
  if (r.oldValue < 0) {
    userExclusions[r.row][r.col] = DecodeMask(r.oldValue);
    DisplayNumber(frm, r.row, r.col);
  } else {
    SetBuffer(r.row, r.col, r.oldValue, true);
    SetCurrentCell(frm, r.row, r.col);
  }
  --historyPos;
}

// Redo works whenever an undone record exists, however long the history.
void NuminoSchema::RedoStep(DrawingSurface& frm) {
  if (!CanRedo()) return;
  ++historyPos;
  const UndoRecord r = history[static_cast<std::size_t>(historyPos)];
  if (r.newValue < 0) {
    userExclusions[r.row][r.col] = DecodeMask(r.newValue);
    DisplayNumber(frm, r.row, r.col);
  } else {
    SetBuffer(r.row, r.col, r.newValue, true);
    SetCurrentCell(frm, r.row, r.col);
  }
}

}  // namespace numino
