#include "recovery/RecoveryFormat.h"

#include <charconv>
#include <limits>

namespace numino::recovery {

namespace {

using Grid = NuminoSchema::Grid;

constexpr std::int16_t kSize = NuminoSchema::kSize;

bool EscapedByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F || byte == '%'; }

std::string EncodeName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (EscapedByte(byte)) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is never written, so it is not read either
}

// Only the one spelling the writer makes: every escaped byte escaped, and
// nothing else.
std::optional<std::string> DecodeName(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte != '%') {
      if (EscapedByte(byte)) return std::nullopt;
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const auto decoded = static_cast<unsigned char>(high * 16 + low);
    if (!EscapedByte(decoded)) return std::nullopt;
    out += static_cast<char>(decoded);
    i += 2;
  }
  return out;
}

// Reads the text line by line; every line must end in LF.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  std::optional<std::string_view> Next() {
    const std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return line;
  }
  bool AtEnd() const { return pos_ == text_.size(); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Splits a line at single spaces: no space at either end, none doubled.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = line.find(' ', start);
    words.push_back(line.substr(start, space == std::string_view::npos ? space : space - start));
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  return words;
}

// A decimal number in [low, high]: an optional '-', then digits, with no
// leading zero and no "-0".
template <typename T>
std::optional<T> Number(std::string_view word, T low, T high) {
  if (word.empty() || word == "-0" || word == "-") return std::nullopt;
  const std::string_view digits = word.front() == '-' ? word.substr(1) : word;
  if (digits.empty() || (digits.size() > 1 && digits.front() == '0')) return std::nullopt;
  T value{};
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

// A line that is the keyword followed by exactly `count` words.
std::optional<std::vector<std::string_view>> Keyed(Lines& lines, std::string_view keyword,
                                                   std::size_t count) {
  const auto line = lines.Next();
  if (!line) return std::nullopt;
  std::vector<std::string_view> words = Words(*line);
  if (words.size() != count + 1 || words.front() != keyword) return std::nullopt;
  words.erase(words.begin());
  return words;
}

bool ReadCells(Lines& lines, Grid& cells) {
  for (std::int16_t row = 1; row <= kSize; ++row) {
    const auto line = lines.Next();
    if (!line || line->size() != static_cast<std::size_t>(kSize)) return false;
    for (std::int16_t col = 1; col <= kSize; ++col) {
      const char c = (*line)[static_cast<std::size_t>(col - 1)];
      if (c < '0' || c > '9') return false;
      cells[row][col] = static_cast<std::int16_t>(c - '0');
    }
  }
  return true;
}

bool ReadMasks(Lines& lines, Grid& masks) {
  for (std::int16_t row = 1; row <= kSize; ++row) {
    const auto line = lines.Next();
    if (!line) return false;
    const std::vector<std::string_view> words = Words(*line);
    if (words.size() != static_cast<std::size_t>(kSize)) return false;
    for (std::int16_t col = 1; col <= kSize; ++col) {
      const auto mask = Number<std::int16_t>(words[static_cast<std::size_t>(col - 1)], 0,
                                             NuminoSchema::kAllDigits);
      if (!mask) return false;
      masks[row][col] = *mask;
    }
  }
  return true;
}

// A line "KEYWORD ROW COL": a cell, or 0 0 for none.
bool ReadCell(Lines& lines, std::string_view keyword, std::int16_t& row, std::int16_t& col) {
  const auto words = Keyed(lines, keyword, 2);
  if (!words) return false;
  const auto r = Number<std::int16_t>((*words)[0], 0, kSize);
  const auto c = Number<std::int16_t>((*words)[1], 0, kSize);
  if (!r || !c || ((*r == 0) != (*c == 0))) return false;
  row = *r;
  col = *c;
  return true;
}

// A record as the history makes them: a digit change on a cell (0..9 both
// ways), or a change of the cell's hand exclusions (both complements).
std::optional<UndoRecord> ReadRecord(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.size() != 4) return std::nullopt;
  const auto row = Number<std::int16_t>(words[0], 1, kSize);
  const auto col = Number<std::int16_t>(words[1], 1, kSize);
  const auto oldValue = Number<std::int16_t>(words[2], EncodeMask(NuminoSchema::kAllDigits), 9);
  const auto newValue = Number<std::int16_t>(words[3], EncodeMask(NuminoSchema::kAllDigits), 9);
  if (!row || !col || !oldValue || !newValue) return std::nullopt;
  if ((*oldValue < 0) != (*newValue < 0)) return std::nullopt;
  return UndoRecord{*row, *col, *oldValue, *newValue};
}

}  // namespace

bool HasWorkToLose(const NuminoSchema& schema) {
  if (schema.modifiedFlag) return true;
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) {
      if (schema.userExclusions[row][col] != 0) return true;
    }
  }
  return false;
}

Work WorkOf(const NuminoSchema& schema) {
  Work work;
  work.cells = schema.cellValues;
  work.exclusions = schema.userExclusions;
  work.currentRow = schema.currentRow;
  work.currentCol = schema.currentCol;
  work.repaintRow = schema.RepaintRow();
  work.repaintCol = schema.RepaintCol();
  work.modified = schema.modifiedFlag;
  work.fileName = schema.fileName;
  work.fileStamp = schema.fileStamp;
  work.history = schema.history;
  work.historyPos = schema.historyPos;
  return work;
}

void Install(const Work& work, NuminoSchema& schema) {
  schema.Reset();
  schema.cellValues = work.cells;
  schema.userExclusions = work.exclusions;
  schema.currentRow = work.currentRow;
  schema.currentCol = work.currentCol;
  schema.modifiedFlag = work.modified;
  schema.fileName = work.fileName;
  schema.fileStamp = work.fileStamp;
  schema.history = work.history;
  schema.historyPos = work.historyPos;
}

std::string Format(const Work& work) {
  std::string text;
  text.reserve(400 + work.fileName.size() + 16 * work.history.size());
  text += kVersionLine;
  text += "\ncells\n";
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) text += std::to_string(work.cells[row][col]);
    text += '\n';
  }
  text += "exclusions\n";
  for (std::int16_t row = 1; row <= kSize; ++row) {
    for (std::int16_t col = 1; col <= kSize; ++col) {
      if (col > 1) text += ' ';
      text += std::to_string(work.exclusions[row][col]);
    }
    text += '\n';
  }
  text += "current " + std::to_string(work.currentRow) + ' ' + std::to_string(work.currentCol);
  text += "\nrepaint " + std::to_string(work.repaintRow) + ' ' + std::to_string(work.repaintCol);
  text += work.modified ? "\nmodified 1\n" : "\nmodified 0\n";
  text += "file " + EncodeName(work.fileName) + '\n';
  if (const auto& s = work.fileStamp) {
    text += "stamp " + std::to_string(s->device) + ' ' + std::to_string(s->inode) + ' ' +
            std::to_string(s->size) + ' ' + std::to_string(s->modifiedSeconds) + ' ' +
            std::to_string(s->modifiedNanoseconds);
    if (s->changed) {
      text +=
          ' ' + std::to_string(s->changed->seconds) + ' ' + std::to_string(s->changed->nanoseconds);
    }
    text += '\n';
  } else {
    text += "stamp none\n";
  }
  text += "history " + std::to_string(work.history.size()) + ' ' + std::to_string(work.historyPos) +
          '\n';
  for (const UndoRecord& r : work.history) {
    text += std::to_string(r.row) + ' ' + std::to_string(r.col) + ' ' + std::to_string(r.oldValue) +
            ' ' + std::to_string(r.newValue) + '\n';
  }
  text += "end\n";
  return text;
}

std::variant<Work, ParseError> Parse(std::string_view text) {
  if (text.size() > kReadLimit) return ParseError{"too large"};
  Lines lines(text);
  Work work;
  if (lines.Next() != kVersionLine) return ParseError{"not version 1"};
  if (!Keyed(lines, "cells", 0) || !ReadCells(lines, work.cells)) return ParseError{"cells"};
  if (!Keyed(lines, "exclusions", 0) || !ReadMasks(lines, work.exclusions)) {
    return ParseError{"exclusions"};
  }

  if (!ReadCell(lines, "current", work.currentRow, work.currentCol)) {
    return ParseError{"current cell"};
  }
  if (!ReadCell(lines, "repaint", work.repaintRow, work.repaintCol)) {
    return ParseError{"repaint cell"};
  }

  const auto modified = Keyed(lines, "modified", 1);
  if (!modified || ((*modified)[0] != "0" && (*modified)[0] != "1")) {
    return ParseError{"modified"};
  }
  work.modified = (*modified)[0] == "1";

  // The name may hold spaces: it is the whole rest of the line.
  const auto fileLine = lines.Next();
  if (!fileLine || fileLine->substr(0, 5) != "file ") return ParseError{"file"};
  auto name = DecodeName(fileLine->substr(5));
  if (!name) return ParseError{"file"};
  work.fileName = std::move(*name);

  const auto stampLine = lines.Next();
  if (!stampLine) return ParseError{"stamp"};
  if (*stampLine != "stamp none") {
    const std::vector<std::string_view> words = Words(*stampLine);
    constexpr auto kMax64 = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin64 = std::numeric_limits<std::int64_t>::min();
    // Without the inode's change time, as an older version wrote it.
    if ((words.size() != 6 && words.size() != 8) || words[0] != "stamp") {
      return ParseError{"stamp"};
    }
    const auto device = Number<std::uint64_t>(words[1], 0, ~std::uint64_t{0});
    const auto inode = Number<std::uint64_t>(words[2], 0, ~std::uint64_t{0});
    const auto size = Number<std::int64_t>(words[3], 0, kMax64);
    const auto seconds = Number<std::int64_t>(words[4], kMin64, kMax64);
    const auto nanoseconds = Number<std::int64_t>(words[5], 0, 999'999'999);
    if (!device || !inode || !size || !seconds || !nanoseconds) return ParseError{"stamp"};
    work.fileStamp = FileStamp{*device, *inode, *size, *seconds, *nanoseconds, std::nullopt};
    if (words.size() == 8) {
      const auto changed = Number<std::int64_t>(words[6], kMin64, kMax64);
      const auto changedNanoseconds = Number<std::int64_t>(words[7], 0, 999'999'999);
      if (!changed || !changedNanoseconds) return ParseError{"stamp"};
      work.fileStamp->changed = FileTime{*changed, *changedNanoseconds};
    }
  }
  // A stamp belongs to a file: without a name there is nothing it stamps.
  if (work.fileStamp && work.fileName.empty()) return ParseError{"stamp without a file"};

  const auto history = Keyed(lines, "history", 2);
  if (!history) return ParseError{"history"};
  // Each record takes at least eight bytes, which bounds the count by the
  // text itself before anything is reserved.
  const auto count = Number<std::size_t>((*history)[0], 0, text.size() / 8);
  if (!count) return ParseError{"history"};
  const auto pos =
      Number<std::ptrdiff_t>((*history)[1], -1, static_cast<std::ptrdiff_t>(*count) - 1);
  if (!pos) return ParseError{"history position"};
  work.historyPos = *pos;
  work.history.reserve(*count);
  for (std::size_t i = 0; i < *count; ++i) {
    const auto line = lines.Next();
    if (!line) return ParseError{"history cut short"};
    const auto record = ReadRecord(*line);
    if (!record) return ParseError{"history record " + std::to_string(i + 1)};
    work.history.push_back(*record);
  }
  if (!Keyed(lines, "end", 0) || !lines.AtEnd()) return ParseError{"end"};
  return work;
}

}  // namespace numino::recovery
