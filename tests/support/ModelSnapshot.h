#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/NuminoSchema.h"

namespace numino::testing {

// Everything about the puzzle that an input can change: the digits, the
// digits ruled out by hand, the current cell, the edit history's length and
// position, and whether the document changed.
struct ModelSnapshot {
  explicit ModelSnapshot(const NuminoSchema& s)
      : cells(s.cellValues),
        exclusions(s.userExclusions),
        row(s.currentRow),
        col(s.currentCol),
        pos(s.historyPos),
        records(s.history.size()),
        modified(s.modifiedFlag) {}

  NuminoSchema::Grid cells;
  NuminoSchema::Grid exclusions;
  std::int16_t row;
  std::int16_t col;
  std::ptrdiff_t pos;  // historyPos
  std::size_t records;
  bool modified;

  bool operator==(const ModelSnapshot&) const = default;
};

// What first differs between two documents, every public field compared
// and the history record by record; empty when nothing does.
std::string DocumentDifference(const NuminoSchema& a, const NuminoSchema& b);

// Gives `to` what a full redraw of `from` shows: the digits, the digits
// ruled out by hand and the current cell.
void CopyBoard(const NuminoSchema& from, NuminoSchema& to);

}  // namespace numino::testing
