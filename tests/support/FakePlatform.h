#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/Platform.h"

namespace numino::testing {

// The scripted desktop of the tests, the fuzzers and the benchmarks. Left
// to itself it asks nobody: a box gives the answer that Escape gives
// (Cancel for the save prompt, No for a Yes/No question, else OK) and a
// dialog with an empty queue its standing answer, cancel unless set.
// Everything shown is recorded.
class FakeDialogs : public Dialogs {
 public:
  struct Message {
    std::string text;
    std::string title;
    MessageStyle style;
  };

  MessageAnswer MessageBox(std::string_view text, std::string_view title,
                           MessageStyle style) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::string DocumentFolder(const std::string& documentPath) override;
  void SetBusyPointer(bool busy) override;

  // Script. The queues answer front first. They are vectors, not deques: an
  // empty vector allocates nothing, and a fuzzer makes two platforms an input.
  std::vector<MessageAnswer> messageAnswers;            // empty: what Escape answers
  std::vector<std::optional<std::string>> saveAnswers;  // empty: saveDefault
  std::vector<std::optional<std::string>> openAnswers;  // empty: openDefault
  std::optional<std::string> saveDefault;               // nothing: cancel
  std::optional<std::string> openDefault;
  std::string documentFolder = "/home/anna";  // what DocumentFolder answers
  // Off: the vectors below stay empty, so that the millions of calls of a
  // fuzzer's or a benchmark's run neither pile up nor cost time.
  bool record = true;

  // Record.
  int busyDepth = 0;  // 0 whenever nothing is being read or written
  std::vector<Message> messages;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<FileDialogRequest> openRequests;
  std::vector<std::string> folderQueries;  // the document paths DocumentFolder was given
  std::vector<bool> busyChanges;
};

// Files in memory, with failures that a test can inject. Each file has a
// stamp: an inode of its own, and a time that every write moves on; a test
// plays another program by changing `files` and `stamps`.
class FakeFiles : public Files {
 public:
  std::size_t MaxPathLength() override { return 4095; }  // as on Linux
  bool FileExists(const std::string& path) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) override;
  FileStamp WriteFile(const std::string& path, std::string_view bytes,
                      const std::optional<FileStamp>& expected) override;

  std::map<std::string, std::string> files;          // path -> contents
  std::map<std::string, std::string> failingWrites;  // path -> reason
  std::map<std::string, std::string> failingReads;   // path -> reason
  std::map<std::string, FileStamp> stamps;           // made on first use
  bool record = true;                                // as FakeDialogs::record
  std::function<void()> whileWriting;                // runs within every write

  // Record.
  std::vector<std::string> writes;  // paths, in order
  std::vector<std::size_t> readLimits;

 private:
  FileStamp& StampFor(const std::string& path);
  std::int64_t clock_ = 0;
};

// Both, for a schema or a window: `NuminoSchema schema{platform};`.
struct FakePlatform : FakeDialogs, FakeFiles {
  operator Platform() { return {*this, *this}; }
  // For the fuzzers and benchmarks, which look at nothing shown.
  void StopRecording() { FakeDialogs::record = FakeFiles::record = false; }
};

}  // namespace numino::testing
