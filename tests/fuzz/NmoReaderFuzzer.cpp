// Feeds arbitrary bytes to the document reader, directly and through Load,
// and compares it with a second reader written straight from the file
// format's rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "FuzzSupport.h"
#include "document/NmoFormat.h"
#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/ModelSnapshot.h"

namespace numino::fuzz {
namespace {

using Grid = NuminoSchema::Grid;
using testing::FakePlatform;

constexpr const char* kChosen = "/home/anna/prova.nmo";  // what the open dialog picks

struct Reading {
  bool ok = false;
  int lines = 0;  // how many lines the file has, at most nine
  Grid cells{};
};

// A line ends at CR LF, LF or CR; text after the last line end is one more
// line. Each of the first nine lines must start with nine digits; lines
// that are missing leave their rows empty.
Reading ReadByTheRules(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < bytes.size() && lines.size() < 9) {
    if (bytes[i] != '\r' && bytes[i] != '\n') {
      ++i;
      continue;
    }
    lines.push_back(bytes.substr(start, i - start));
    const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
    i += crlf ? 2 : 1;
    start = i;
  }
  if (lines.size() < 9 && start < bytes.size()) lines.push_back(bytes.substr(start));

  Reading reading;
  reading.lines = static_cast<int>(lines.size());
  for (std::size_t row = 0; row < lines.size(); ++row) {
    if (lines[row].size() < 9) return reading;
    for (std::size_t col = 0; col < 9; ++col) {
      const char c = lines[row][col];
      if (c < '0' || c > '9') return reading;
      reading.cells[row + 1][col + 1] = static_cast<std::int16_t>(c - '0');
    }
  }
  reading.ok = true;
  return reading;
}

// The document a failed open must leave exactly as it was: named, changed,
// with undone records, hand-made exclusions and the cursor away from (1, 1).
void MakePreviousDocument(NuminoSchema& schema) {
  schema.fileName = "/home/anna/vecchio.nmo";
  schema.SetBuffer(2, 3, 5, false);
  schema.SetBuffer(9, 9, 1, false);
  schema.SetBuffer(4, 4, 7, false);
  schema.ToggleUserExclusion(5, 6, 2);
  schema.ToggleUserExclusion(1, 1, 9);
  schema.historyPos = 2;  // the last two records are undone
  schema.cellValues[4][4] = 0;
  schema.userExclusions[1][1] = 0;
  schema.currentRow = 7;
  schema.currentCol = 8;
}

void CheckParse(std::string_view bytes, const Reading& expected) {
  const auto whole = nmo::Parse(bytes, true);
  FUZZ_CHECK(std::holds_alternative<Grid>(whole) == expected.ok);
  if (const Grid* cells = std::get_if<Grid>(&whole)) {
    FUZZ_CHECK(WithinBounds(*cells, 0, 9));
    FUZZ_CHECK(*cells == expected.cells);
  } else {
    FUZZ_CHECK(!std::get<nmo::ParseError>(whole).reason.empty());
  }

  // Only the start of a longer file: it is a document only if all nine
  // rows lie within the bytes, since whatever follows is never looked at.
  const auto start = nmo::Parse(bytes, false);
  FUZZ_CHECK(std::holds_alternative<Grid>(start) == (expected.ok && expected.lines == 9));
  if (const Grid* cells = std::get_if<Grid>(&start)) FUZZ_CHECK(*cells == expected.cells);
}

void CheckWriteBack(const Grid& cells) {
  const std::string text = nmo::Format(cells);
  FUZZ_CHECK(text.size() == nmo::kFileSize);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t column = i % 11;
    if (column < 9) {
      FUZZ_CHECK(text[i] >= '0' && text[i] <= '9');
    } else {
      FUZZ_CHECK(text[i] == (column == 9 ? '\r' : '\n'));
    }
  }
  for (const bool wholeFile : {true, false}) {
    const auto again = nmo::Parse(text, wholeFile);
    FUZZ_CHECK(std::holds_alternative<Grid>(again));
    FUZZ_CHECK(std::get<Grid>(again) == cells);
  }
}

void CheckLoad(std::string_view bytes, const Reading& expected, bool unreadable) {
  FakePlatform platform;
  platform.openDefault = kChosen;
  platform.files[kChosen] = std::string(bytes);
  if (unreadable) platform.failingReads[kChosen] = "il file non si può leggere";
  NuminoSchema schema(platform);
  MakePreviousDocument(schema);
  FakePlatform spare;
  NuminoSchema before(spare);
  MakePreviousDocument(before);

  bool loaded = false;
  try {
    schema.Load();
    loaded = true;
  } catch (const FileError& error) {
    FUZZ_CHECK(error.Path() == kChosen);
    FUZZ_CHECK(!error.Reason().empty());
  }
  FUZZ_CHECK(platform.busyDepth == 0);
  FUZZ_CHECK(platform.messages.empty());
  FUZZ_CHECK(loaded == (expected.ok && !unreadable));
  if (!loaded) {
    FUZZ_CHECK(testing::DocumentDifference(schema, before).empty());
    return;
  }
  FUZZ_CHECK(schema.cellValues == expected.cells);
  FUZZ_CHECK(schema.fileName == kChosen);
  FUZZ_CHECK(!schema.modifiedFlag);
  FUZZ_CHECK(schema.history.empty() && schema.historyPos == -1);
  FUZZ_CHECK(schema.currentRow == 1 && schema.currentCol == 1);
  FUZZ_CHECK(schema.userExclusions == Grid{});
}

}  // namespace
}  // namespace numino::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace numino::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Reading expected = ReadByTheRules(bytes);
  CheckParse(bytes, expected);
  if (expected.ok) CheckWriteBack(expected.cells);
  // Now and then the file cannot be opened at all; the length decides, so
  // that an input always takes the same path.
  CheckLoad(bytes, expected, size % 7 == 3);
  return 0;
}
