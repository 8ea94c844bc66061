#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/NuminoSchema.h"
#include "model/Platform.h"
#include "model/UndoRecord.h"

// The recovery file: what a running program keeps on disk of the work a
// crash would lose, so that the next start can offer it back. Plain text,
// LF line ends, in this order (every number decimal):
//
//   numino-recovery 1              the version line, always first
//   cells                          then nine lines of nine digits, 0 = empty
//   exclusions                     then nine lines of nine masks 0..511,
//                                  one space apart (bit d-1 = digit d)
//   current ROW COL                0 0 = no current cell, else 1..9 each
//   repaint ROW COL                the cell the board was last repainted
//                                  for, whose digit shows printed twice
//   modified 0|1
//   file NAME                      the document's path, %XX for the bytes
//                                  below 0x20, 0x7F and '%'; empty = none
//   stamp none | DEV INO SIZE SEC NSEC [CSEC CNSEC]
//                                  CSEC CNSEC: the inode's change time,
//                                  missing in an older version's file
//   history COUNT POS              then COUNT lines "ROW COL OLD NEW", the
//                                  records as the history holds them
//   end
//
// Nothing may follow "end". The reader accepts exactly this and nothing
// else: a file cut short, another version or a value out of range is
// damaged as a whole, never half installed.
namespace numino::recovery {

inline constexpr std::string_view kVersionLine = "numino-recovery 1";

// The most the reader looks at: a history of a million edits is about
// 14 MB, far more than a day's work.
inline constexpr std::size_t kReadLimit = 64u << 20;

// Everything of a document that the file keeps.
struct Work {
  NuminoSchema::Grid cells{};
  NuminoSchema::Grid exclusions{};
  std::int16_t currentRow = 1;
  std::int16_t currentCol = 1;
  std::int16_t repaintRow = 0;  // not the document's but its picture's
  std::int16_t repaintCol = 0;
  bool modified = false;
  std::string fileName;
  std::optional<FileStamp> fileStamp;
  std::vector<UndoRecord> history;
  std::ptrdiff_t historyPos = -1;

  bool operator==(const Work&) const = default;
};

// Whether the document holds work that a crash would lose: changed digits,
// or digits ruled out by hand, which no document file keeps.
bool HasWorkToLose(const NuminoSchema& schema);

Work WorkOf(const NuminoSchema& schema);
// Puts the work back into the document: afterwards it is exactly the
// document the work was taken from. The picture follows with a Refresh
// and a DisplayNumber for the repaint cell.
void Install(const Work& work, NuminoSchema& schema);

std::string Format(const Work& work);

// Why a file is not a recovery file of this version (for the log only).
struct ParseError {
  std::string reason;
};

std::variant<Work, ParseError> Parse(std::string_view text);

}  // namespace numino::recovery
