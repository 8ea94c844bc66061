#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/CellPaintCache.h"
#include "display/CellView.h"
#include "display/DrawingSurface.h"
#include "model/DigitMask.h"
#include "model/Platform.h"
#include "model/UndoRecord.h"

namespace numino {

// How a save ended when it did not fail (a failed write throws FileError).
enum class SaveOutcome { Written, Cancelled };

// The one document of the program: the 9 x 9 grid, the current cell, the
// digits ruled out by hand, the file it belongs to, whether it changed, and
// the edit history. The main window owns exactly one for its whole life.
//
// Cells are named (row, col), always in that order, 1..9 each; row 1 is the
// top row and column 1 the left one. The per-cell arrays are indexed
// [row][col] with bounds 0..9, of which index 0 is never used.
//
// Each operation lives in the folder of its subsystem: model/ (state and
// history), assist/ (exclusions and the completion check), display/
// (geometry and drawing), input/ (keys, clicks, undo and redo) and
// document/ (the .nmo file, open and save).
class NuminoSchema {
 public:
  using Grid = std::array<std::array<std::int16_t, 10>, 10>;

  static constexpr std::int16_t kSize = 9;
  static constexpr std::int16_t kAllDigits = numino::kAllDigits;

  // An empty, unnamed, unmodified grid with the current cell at (1, 1).
  explicit NuminoSchema(Platform platform);

  // --- model/ ---
  void Reset();
  // A new, unnamed document holding cells, as if they had been typed into an
  // emptied grid: no hand exclusions, the current cell at (1, 1), an empty
  // history, and modified, since nothing on disk holds it yet.
  void NewFromGrid(const Grid& cells);
  // The cell's digit, 0 for an empty cell or a cell off the grid.
  std::int16_t GetBuffer(std::int16_t row, std::int16_t col) const;
  // Stores i (unchecked) and marks the document modified. Unless undoing,
  // first records the change in the history, also when i equals the old
  // value. A cell off the grid is ignored altogether.
  void SetBuffer(std::int16_t row, std::int16_t col, std::int16_t i, bool undoing);
  std::int16_t GetColumnCount() const { return kSize; }
  std::int16_t GetRowCount() const { return kSize; }
  bool Modified() const { return modifiedFlag; }
  // The name the document is shown under: the file name without folder
  // and extension, "(Senza nome)" for a document without a file.
  std::string GetFileName() const;

  // Edit history. Push drops every undone record, then appends.
  void PushHistory(const UndoRecord& record);
  void ClearHistory();
  bool CanUndo() const { return historyPos >= 0; }
  bool CanRedo() const { return historyPos + 1 < static_cast<std::ptrdiff_t>(history.size()); }

  // --- assist/ ---
  // The digits standing in the 20 peers of (row, col), as a digit mask.
  std::int16_t GetExclusionMask(std::int16_t row, std::int16_t col) const;
  // Flips digit currval in the cell's hand-made exclusions and records it.
  void ToggleUserExclusion(std::int16_t row, std::int16_t col, std::int16_t currval);
  // On a full grid, tells the user whether it is correct; silent otherwise.
  void CheckFinish();

  // --- display/ ---
  std::int16_t MapX(std::int32_t x) const;
  std::int16_t MapY(std::int32_t y) const;
  void Refresh(DrawingSurface& frm);
  void SetCurrentCell(DrawingSurface& frm, std::int16_t row, std::int16_t col);
  void DisplayNumber(DrawingSurface& frm, std::int16_t row, std::int16_t col);
  // What the cell (row, col), 1..9 each, shows: the one account of it that
  // the drawing and the accessible board both read.
  CellView ViewOf(std::int16_t row, std::int16_t col) const;
  // The cell the last DisplayNumber was for; (0, 0) before the first. After
  // a Refresh, DisplayNumber for that cell brings back the very picture the
  // board showed, down to the digit printed twice.
  std::int16_t RepaintRow() const { return drawn_.TargetRow(); }
  std::int16_t RepaintCol() const { return drawn_.TargetCol(); }

  // --- input/ ---
  // One key-down (KeyCode), typed character (KeyAscii) or button release
  // (Button with x and y in client pixels); the first non-zero code decides.
  void ProcessInput(DrawingSurface& frm, std::int16_t KeyAscii, std::int16_t KeyCode,
                    std::int16_t Button, std::int32_t x, std::int32_t y);

  // --- document/ ---
  // Writes the document, asking for a name first when it has none or when
  // askName is true. Writing under the document's own name asks first when
  // another program has changed, replaced or removed the file since it was
  // opened or saved; No cancels. Throws FileError when the file cannot be written; the
  // document then keeps its old name and stays modified.
  SaveOutcome Save(bool askName);
  // Asks for a file and reads it with LoadFile.
  void Load();
  // Reads the document at path (UTF-8, absolute), by the same rules as a file
  // chosen in the dialog: a name too long is refused with a message, and a
  // file that cannot be read or is not a valid document throws FileError.
  // Either way the document is then left untouched. On success the document
  // takes the path as its name and is unmodified, with an empty history.
  void LoadFile(const std::string& path);

  // The document. Fields are public so that tests and the document code can
  // set up and inspect any state; the window only uses the operations.
  Grid cellValues{};
  std::int16_t currentRow = 1;  // 0 = no current cell
  std::int16_t currentCol = 1;
  std::string fileName;  // full path; empty = no name yet
  // The file as this document last read or wrote it; nothing for a document
  // without a file.
  std::optional<FileStamp> fileStamp;
  bool modifiedFlag = false;  // the digits changed since new, open or save
  Grid userExclusions{};      // per cell, bit d-1 set = digit d ruled out by hand
  // Records 0..historyPos are applied (undoable, newest last); the ones
  // above are undone (redoable, next first). -1 = nothing applied. Wide
  // types: a long session never runs out of history.
  std::ptrdiff_t historyPos = -1;
  std::vector<UndoRecord> history;

 private:
  void DrawCell(DrawingSurface& frm, std::int16_t row, std::int16_t col, const CellLook& look);
  void DrawMark(std::int16_t d, std::int16_t mask, DrawingSurface& frm, std::int16_t row,
                std::int16_t col, Colour colour);
  void PrintCentred(DrawingSurface& frm, std::int16_t row, std::int16_t col, std::int16_t value);
  // ViewOf with the current cell's digit already read.
  CellView ViewOf(std::int16_t row, std::int16_t col, std::int16_t currentDigit) const;
  CellLook LookOf(const CellView& view, Colour background, bool printTwice) const;
  void TurnFontBold(DrawingSurface& frm);

  void UndoStep(DrawingSurface& frm);
  void RedoStep(DrawingSurface& frm);
  void Replay(DrawingSurface& frm, const UndoRecord& r, std::int16_t value);

  // Where a save is to write, and what the caller found there when it
  // decided to: the stamp of the file, or nothing when there was none.
  struct SaveTarget {
    std::string path;  // empty: cancelled
    std::optional<FileStamp> found;
  };
  SaveTarget AskSaveName();
  std::optional<SaveTarget> MayWriteOver();

  Platform platform_;
  CellPaintCache drawn_;
};

}  // namespace numino
