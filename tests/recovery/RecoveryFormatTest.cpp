#include "recovery/RecoveryFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "support/BoardSession.h"
#include "support/Grids.h"
#include "support/ModelSnapshot.h"

namespace numino::recovery {
namespace {

using testing::BoardSession;
using testing::DocumentDifference;
using testing::FakePlatform;
using testing::GridFromRows;
using testing::Repeat;

// A document worked on through the input, as a user leaves it: digits
// typed, one undone, digits ruled out by hand, a named file.
void PlaySession(BoardSession& s) {
  s.schema.fileName = "/home/anna/la mia partita.nmo";
  s.schema.fileStamp =
      FileStamp{2049, 131, 99, 1765000000, 123456789, std::nullopt};  // as 1.1 kept it
  s.Select(1, 1);
  s.Char('5');
  s.Select(4, 7);
  s.Char('3');
  s.Click(2, 9, 9);  // the current cell's 3 ruled out by hand, twice
  s.Click(2, 9, 8);
  s.Select(2, 2);
  s.Char('8');
  s.Undo();
}

TEST(RecoveryFormat, TheFileIsPlainTextInTheDocumentedOrder) {
  Work work;
  work.cells[1][1] = 5;
  work.cells[9][9] = 1;
  work.exclusions[2][3] = 0x101;  // digits 1 and 9
  work.currentRow = 4;
  work.currentCol = 7;
  work.repaintRow = 2;
  work.repaintCol = 3;
  work.modified = true;
  work.fileName = "/d/a b%\n.nmo";
  work.history = {{1, 1, 0, 5}, {2, 3, EncodeMask(0), EncodeMask(0x101)}};
  work.historyPos = 0;
  const std::string row = "0 0 0 0 0 0 0 0 0\n";
  EXPECT_EQ(Format(work),
            "numino-recovery 1\ncells\n500000000\n" + Repeat("000000000\n", 7) +
                "000000001\nexclusions\n" + row + "0 0 257 0 0 0 0 0 0\n" + Repeat(row, 7) +
                "current 4 7\nrepaint 2 3\nmodified 1\nfile /d/a b%25%0A.nmo\nstamp none\n"
                "history 2 0\n1 1 0 5\n2 3 -1 -258\nend\n");
}

TEST(RecoveryFormat, ReadingBackGivesTheSameDocument) {
  struct Row {
    const char* what;
    void (*make)(BoardSession&);
  };
  const Row rows[] = {
      {"a fresh document", [](BoardSession&) {}},
      {"a played session, named, one edit undone", PlaySession},
      {"no current cell, every record undone, a stamp before 1970",
       [](BoardSession& s) {
         PlaySession(s);
         s.schema.currentRow = 0;
         s.schema.currentCol = 0;
         s.schema.historyPos = -1;
         s.schema.fileStamp->modifiedSeconds = -5;
       }},
      {"control characters, UTF-8 and percent signs in the name",
       [](BoardSession& s) {
         s.schema.fileName = "/tmp/\x01\t%41 perché\x7F\xC2\x85.nmo";
         s.schema.cellValues = testing::SolvedGrid();
         s.schema.userExclusions[5][5] = NuminoSchema::kAllDigits;
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    BoardSession played;
    r.make(played);
    const auto parsed = Parse(Format(WorkOf(played.schema)));
    ASSERT_TRUE(std::holds_alternative<Work>(parsed)) << std::get<ParseError>(parsed).reason;
    FakePlatform platform;
    NuminoSchema restored(platform);
    restored.SetBuffer(3, 3, 3, false);  // whatever was there goes
    restored.userExclusions[8][8] = 4;
    Install(std::get<Work>(parsed), restored);
    EXPECT_EQ(DocumentDifference(restored, played.schema), "");
  }
}

// Whichever cell the board was last repainted for shows its digit printed
// twice; a plain Refresh would print the current cell's twice instead.
TEST(RecoveryFormat, TheRestoredBoardIsTheVeryPictureThatWasShown) {
  struct Row {
    const char* what;
    void (*last)(BoardSession&);
  };
  const Row rows[] = {
      {"a digit typed last", [](BoardSession& s) { s.Char('6'); }},
      {"a digit ruled out by hand last", [](BoardSession& s) { s.Click(2, 7, 7); }},
      {"an exclusion undone last",
       [](BoardSession& s) {
         s.Click(2, 7, 7);
         s.Undo();
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    BoardSession played;
    PlaySession(played);
    played.Select(5, 5);
    played.Char('2');
    r.last(played);
    const auto parsed = Parse(Format(WorkOf(played.schema)));
    ASSERT_TRUE(std::holds_alternative<Work>(parsed));
    const Work& work = std::get<Work>(parsed);
    BoardSession restored;
    Install(work, restored.schema);
    restored.schema.Refresh(restored.frm);
    restored.schema.DisplayNumber(restored.frm, work.repaintRow, work.repaintCol);
    EXPECT_TRUE(restored.frm == played.frm);
  }
}

TEST(RecoveryFormat, AnythingButTheExactFormatIsDamaged) {
  BoardSession played;
  PlaySession(played);
  const std::string good = Format(WorkOf(played.schema));
  ASSERT_TRUE(std::holds_alternative<Work>(Parse(good)));
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    const auto at = good.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? good : good.substr(0, at) + to + good.substr(at + from.size());
  };
  struct Row {
    const char* why;
    std::string text;
  };
  const Row rows[] = {
      {"empty", ""},
      {"another version", replaced("recovery 1", "recovery 2")},
      {"cut short before the end", good.substr(0, good.size() - 4)},
      {"cut in the middle of the grid", good.substr(0, 60)},
      {"no line end after end", good.substr(0, good.size() - 1)},
      {"text after end", good + "x\n"},
      {"CR LF line ends", replaced("cells\n", "cells\r\n")},
      {"a letter among the digits", replaced("500000000", "50000000x")},
      {"a short row", replaced("500000000\n", "50000000\n")},
      {"a mask beyond the nine digits", replaced("exclusions\n0 ", "exclusions\n512 ")},
      {"a negative mask", replaced("exclusions\n0 ", "exclusions\n-1 ")},
      {"two spaces between masks", replaced("exclusions\n0 ", "exclusions\n0  ")},
      {"a row of the current cell alone zero", replaced("current 2 2", "current 0 2")},
      {"a current cell off the grid", replaced("current 2 2", "current 2 10")},
      {"no repaint line", replaced("repaint 2 2\n", "")},
      {"a repaint cell half zero", replaced("repaint 2 2", "repaint 2 0")},
      {"a leading zero", replaced("current 2 2", "current 02 2")},
      {"modified neither 0 nor 1", replaced("modified 1", "modified 2")},
      {"an escape in lower case", replaced("la mia", "la%2fmia")},
      {"an escape of a byte that needs none", replaced("la mia", "la%41mia")},
      {"an escape cut short", replaced("la mia partita.nmo", "la mia partita.nmo%2")},
      {"a raw control character in the name", replaced("la mia", "la\tmia")},
      {"nanoseconds of a whole second", replaced("123456789", "1000000000")},
      {"a stamp without a file", replaced("file /home/anna/la mia partita.nmo", "file ")},
      {"a stamp missing a field", replaced(" 123456789", "")},
      {"more records announced than written", replaced("history 5 3", "history 6 3")},
      {"a position past the last record", replaced("history 5 3", "history 5 5")},
      {"a position before -1", replaced("history 5 3", "history 5 -2")},
      {"-0 as a position", replaced("history 5 3", "history 5 -0")},
      {"a record off the grid", replaced("\n1 1 0 5\n", "\n10 1 0 5\n")},
      {"a digit record changing an exclusion", replaced("\n1 1 0 5\n", "\n1 1 0 -5\n")},
      {"a digit beyond 9", replaced("\n1 1 0 5\n", "\n1 1 0 10\n")},
      {"a mask complement beyond nine digits", replaced("\n1 1 0 5\n", "\n1 1 -513 -1\n")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_TRUE(std::holds_alternative<ParseError>(Parse(r.text)));
  }
}

TEST(RecoveryFormat, OnlyChangedDigitsOrHandExclusionsAreWorkToLose) {
  struct Row {
    const char* what;
    void (*make)(NuminoSchema&);
    bool expected;
  };
  const Row rows[] = {
      {"a fresh document", [](NuminoSchema&) {}, false},
      {"a digit typed", [](NuminoSchema& s) { s.SetBuffer(5, 5, 1, false); }, true},
      {"a document just opened, moved about in",
       [](NuminoSchema& s) {
         s.cellValues =
             GridFromRows({"5........", ".........", ".........", ".........", ".........",
                           ".........", ".........", ".........", "........9"});
         s.fileName = "/home/anna/pippo.nmo";
         s.currentRow = 9;
       },
       false},
      {"a digit ruled out by hand, nothing typed",
       [](NuminoSchema& s) { s.ToggleUserExclusion(9, 9, 4); }, true},
      {"a digit ruled out and back in",
       [](NuminoSchema& s) {
         s.ToggleUserExclusion(9, 9, 4);
         s.ToggleUserExclusion(9, 9, 4);
       },
       false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    FakePlatform platform;
    NuminoSchema schema(platform);
    r.make(schema);
    EXPECT_EQ(HasWorkToLose(schema), r.expected);
  }
}

}  // namespace
}  // namespace numino::recovery
