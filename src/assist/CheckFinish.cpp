// The completion check: on a full grid, tells the user whether it is correct.

#include <string>

#include "model/NuminoSchema.h"

namespace numino {

namespace {

// Both verdicts go out under the program's name.
constexpr const char* kTitle = "Numino";

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
      if (!isDigit || GetExclusionMask(row, col) != (kAllDigits ^ (1 << (v - 1)))) {
        platform_.dialogs.MessageBox("Schema non valido (verificare la casella in riga " +
                                         std::to_string(row) + ", colonna " + std::to_string(col) +
                                         ")",
                                     kTitle, MessageStyle::OkExclamation);
        return;
      }
    }
  }
  platform_.dialogs.MessageBox("OK, schema completo e corretto!", kTitle,
                               MessageStyle::OkInformation);
}

}  // namespace numino
