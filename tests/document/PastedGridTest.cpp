#include "document/PastedGrid.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Grids.h"

namespace numino {
namespace {

// Every accepted text below spells this puzzle. The copied text is checked
// through the window (frmNuminoDesktopTest).
TEST(ParsePastedGrid, AcceptsTheUsualLayoutsAndRefusesTheRest) {
  const std::string dots =
      "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
  const std::string padded = dots + std::string(kPasteLimit - dots.size(), ' ');
  const struct Row {
    const char* reason;
    std::string text;
    bool accepted;
  } rows[] = {
      // clang-format off
      {"one line, dots for empty cells", dots, true},
      {"one line, zeros for empty cells",
       "530070000600195000098000060800060003400803001700020006060000280000419005000080079", true},
      {"the nine CRLF lines of a .nmo file",
       "530070000\r\n600195000\r\n098000060\r\n800060003\r\n400803001\r\n700020006\r\n"
       "060000280\r\n000419005\r\n000080079\r\n", true},
      {"a grid drawn with | + - spaces and tabs",
       "53. | .7. | ...\n6.. | 195 | ...\n.98 | ... | .6.\n----+-----+----\n8.. | .6. | ..3\n"
       "4.. | 8.3 | ..1\n7.. | .2. | ..6\n----+-----+----\n.6.\t...\t28.\n...\t419\t..5\n"
       "... | .8. | .79\n", true},
      {"layout up to the limit is still read", padded, true},
      {"one byte over the limit is not read at all", padded + " ", false},
      {"80 cells", dots.substr(0, 80), false},
      {"82 cells", dots + ".", false},
      {"a letter for the last cell", dots.substr(0, 80) + "x", false},
      {"empty text", "", false},
      // clang-format on
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    const auto cells = ParsePastedGrid(row.text);
    ASSERT_EQ(cells.has_value(), row.accepted);
    if (cells) {
      EXPECT_EQ(*cells, testing::GridFromRows({"53..7....", "6..195...", ".98....6.", "8...6...3",
                                               "4..8.3..1", "7...2...6", ".6....28.", "...419..5",
                                               "....8..79"}));
    }
  }
}

}  // namespace
}  // namespace numino
