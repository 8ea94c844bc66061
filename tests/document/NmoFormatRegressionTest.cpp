#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "document/NmoFormat.h"

namespace numino {
namespace {

// The bytes below are only the start of a file that goes on: none of them
// holds all nine rows, so none is a document, not even an empty grid.
TEST(NmoParse, StartOfALongerFileWithoutNineRowsIsRefused) {
  struct Row {
    std::string bytes;
    const char* why;
  };
  const Row rows[] = {
      {"", "nothing of the file was read"},
      {"\xEF\xBB\xBF", "only the byte-order mark was read"},
      {"123456789\r\n", "the file goes on after row 1"},
      {"123456789\r", "the CR may be followed by an LF"},
      {"123456789\r\n123456789\r\n123456789\r\n123456789\r\n"
       "123456789\r\n123456789\r\n123456789\r\n123456789\r\n12345678",
       "row 9 is cut short"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    const auto parsed = nmo::Parse(r.bytes, false);
    ASSERT_TRUE(std::holds_alternative<nmo::ParseError>(parsed));
    EXPECT_FALSE(std::get<nmo::ParseError>(parsed).reason.empty());
  }
}

TEST(NmoParse, WholeEmptyFileIsAnEmptyGrid) {
  const auto parsed = nmo::Parse("", true);
  ASSERT_TRUE(std::holds_alternative<NuminoSchema::Grid>(parsed));
  EXPECT_EQ(std::get<NuminoSchema::Grid>(parsed), NuminoSchema::Grid{});
}

}  // namespace
}  // namespace numino
