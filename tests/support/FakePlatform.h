#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/Platform.h"

namespace numino::testing {

// A scripted platform: message boxes and file dialogs answer from queues
// (OK / cancel when a queue is empty), everything shown is recorded, and
// files live in memory, with failures that a test can inject. Each file
// has a stamp: its own inode, and a time that every write moves on; a test
// plays another program by changing `files` and `stamps` itself.
class FakePlatform : public Platform {
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
  std::string DocumentFolder() override { return documentFolder; }
  void SetBusyPointer(bool busy) override;
  bool FileExists(const std::string& path) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) override;
  FileStamp WriteFile(const std::string& path, std::string_view bytes) override;

  // Script.
  std::deque<MessageAnswer> messageAnswers;            // empty: Ok, or Cancel for 35
  std::deque<std::optional<std::string>> saveAnswers;  // empty: cancel
  std::deque<std::optional<std::string>> openAnswers;  // empty: cancel
  std::string documentFolder = "/home/anna";
  std::map<std::string, std::string> files;          // path -> contents
  std::map<std::string, std::string> failingWrites;  // path -> reason
  std::map<std::string, std::string> failingReads;   // path -> reason
  std::map<std::string, FileStamp> stamps;           // made on first use

  // Record.
  std::vector<Message> messages;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<FileDialogRequest> openRequests;
  std::vector<bool> busyChanges;
  std::vector<std::string> writes;  // paths, in order
  std::vector<std::size_t> readLimits;

 private:
  FileStamp& StampFor(const std::string& path);
  std::int64_t clock_ = 0;
};

}  // namespace numino::testing
