#include "support/ModelSnapshot.h"

namespace numino::testing {

std::string DocumentDifference(const NuminoSchema& a, const NuminoSchema& b) {
  if (a.cellValues != b.cellValues) return "cell values differ";
  if (a.userExclusions != b.userExclusions) return "user exclusions differ";
  if (a.currentRow != b.currentRow || a.currentCol != b.currentCol) return "current cell differs";
  if (a.fileName != b.fileName) return "file name differs";
  if (a.modifiedFlag != b.modifiedFlag) return "modified differs";
  if (a.history != b.history || a.historyPos != b.historyPos) return "history differs";
  return {};
}

void CopyBoard(const NuminoSchema& from, NuminoSchema& to) {
  to.cellValues = from.cellValues;
  to.userExclusions = from.userExclusions;
  to.currentRow = from.currentRow;
  to.currentCol = from.currentCol;
}

}  // namespace numino::testing
