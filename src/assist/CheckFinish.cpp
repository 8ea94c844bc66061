// The completion check: on a full grid, tells the user whether it is correct.

#include <string>

#include "model/NuminoSchema.h"

namespace numino {

namespace {

// Both verdicts go out under the program's name.
constexpr const char* kTitle = "Numino";
constexpr const char* kCorrect = "OK, schema completo e corretto!";
std::string InvalidCell(int row, int col) {
  return "Schema non valido (verificare la casella in riga " + std::to_string(row) + ", colonna " +
         std::to_string(col) + ")";
}

}  // namespace

// A cell passes exactly when its peers hold, between them, each of the eight
// other digits and never its own. The first failing cell in reading order is
// reported; it need not be one of the two cells that repeat a digit.
void NuminoSchema::CheckFinish() {
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) {
      if (cellValues[row][col] == 0) return;
    }
  }
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) {
      const int v = cellValues[row][col];
      const bool isDigit = v >= 1 && v <= kSize;
      if (!isDigit || GetExclusionMask(row, col) != (kAllDigits ^ DigitBit(v))) {
        platform_.dialogs.MessageBox(InvalidCell(row, col), kTitle, MessageStyle::OkExclamation);
        return;
      }
    }
  }
  platform_.dialogs.MessageBox(kCorrect, kTitle, MessageStyle::OkInformation);
}

}  // namespace numino
