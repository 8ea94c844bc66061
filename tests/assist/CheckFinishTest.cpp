#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/Grids.h"

namespace numino {
namespace {

using testing::FakePlatform;
using testing::SolvedGrid;

TEST(CheckFinish, ReportsOnAFullGridOnly) {
  using Grid = NuminoSchema::Grid;
  struct Row {
    const char* why;
    std::function<void(Grid&)> change;  // applied to SolvedGrid()
    const char* text;                   // nullptr: no message at all
    MessageStyle style;
  };
  const Row rows[] = {
      {"the correct grid", [](Grid&) {}, "OK, schema completo e corretto!",
       MessageStyle::OkInformation},
      {"one cell emptied", [](Grid& g) { g[6][4] = 0; }, nullptr, {}},
      {"the last cell emptied", [](Grid& g) { g[9][9] = 0; }, nullptr, {}},
      {"rows 1 and 2 exchanged: still correct", [](Grid& g) { std::swap(g[1], g[2]); },
       "OK, schema completo e corretto!", MessageStyle::OkInformation},
      {"(1, 1) and (1, 2) exchanged", [](Grid& g) { std::swap(g[1][1], g[1][2]); },
       "Schema non valido (verificare la casella in riga 1, colonna 1)",
       MessageStyle::OkExclamation},
      {"(9, 9) from 8 to 7: column 9 holds 7 at rows 6 and 9, row 6 comes first",
       [](Grid& g) { g[9][9] = 7; },
       "Schema non valido (verificare la casella in riga 6, colonna 9)",
       MessageStyle::OkExclamation},
      {"(9, 9) from 8 to 9: the first cell whose peers lack a digit", [](Grid& g) { g[9][9] = 9; },
       "Schema non valido (verificare la casella in riga 1, colonna 9)",
       MessageStyle::OkExclamation},
      {"a full grid of ones: the very first cell fails",
       [](Grid& g) {
         for (auto& line : g) line.fill(1);
       },
       "Schema non valido (verificare la casella in riga 1, colonna 1)",
       MessageStyle::OkExclamation},
      {"an empty grid", [](Grid& g) { g = Grid{}; }, nullptr, {}},
      {"conflicts everywhere but one empty cell",
       [](Grid& g) {
         for (auto& line : g) line.fill(4);
         g[5][5] = 0;
       },
       nullptr,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    FakePlatform platform;
    NuminoSchema schema(platform);
    schema.cellValues = SolvedGrid();
    row.change(schema.cellValues);
    const NuminoSchema::Grid before = schema.cellValues;
    schema.CheckFinish();
    if (row.text == nullptr) {
      EXPECT_TRUE(platform.messages.empty());
    } else {
      ASSERT_EQ(platform.messages.size(), 1u);
      EXPECT_EQ(platform.messages[0].text, row.text);
      EXPECT_EQ(platform.messages[0].title, "Numino");
      EXPECT_EQ(platform.messages[0].style, row.style);
    }
    EXPECT_EQ(schema.cellValues, before);
    EXPECT_FALSE(schema.Modified());
  }
}

}  // namespace
}  // namespace numino
