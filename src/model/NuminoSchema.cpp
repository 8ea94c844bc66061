// The schema's state: emptying it, reading and writing cells, the document's name.

#include "model/NuminoSchema.h"

namespace numino {

namespace {

bool IsOnGrid(std::int16_t row, std::int16_t col) {
  return row >= 1 && row <= NuminoSchema::kSize && col >= 1 && col <= NuminoSchema::kSize;
}

}  // namespace

NuminoSchema::NuminoSchema(Platform platform) : platform_(platform) {}

void NuminoSchema::Reset() {
  fileName.clear();
  fileStamp.reset();
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) {
      cellValues[row][col] = 0;
      userExclusions[row][col] = 0;
    }
  }
  currentRow = 1;
  currentCol = 1;
  modifiedFlag = false;
  ClearHistory();
}

void NuminoSchema::NewFromGrid(const Grid& cells) {
  Reset();
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) cellValues[row][col] = cells[row][col];
  }
  modifiedFlag = true;
}

std::int16_t NuminoSchema::GetBuffer(std::int16_t row, std::int16_t col) const {
  return IsOnGrid(row, col) ? cellValues[row][col] : std::int16_t{0};
}

void NuminoSchema::SetBuffer(std::int16_t row, std::int16_t col, std::int16_t i, bool undoing) {
  if (!IsOnGrid(row, col)) return;
  if (!undoing) PushHistory({row, col, cellValues[row][col], i});
  cellValues[row][col] = i;
  modifiedFlag = true;  // undo and redo make the document modified too
}

std::string NuminoSchema::GetFileName() const {
  if (fileName.empty()) return "(Senza nome)";
  std::string name = fileName;
  if (const auto slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace numino
