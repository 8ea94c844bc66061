#pragma once

// The core's way to the desktop: the dialogs (message boxes, file dialogs,
// the busy pointer) and the files, which two different units provide.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "files/FileValues.h"

namespace numino {

// Message box styles: a button set plus an icon, numbered as the program has
// always numbered them.
enum class MessageStyle : int {
  YesNoCancelQuestion = 35,  // 3 Yes/No/Cancel + 32 question
  YesNoQuestion = 36,        // 4 Yes/No + 32 question
  OkExclamation = 48,        // 0 OK + 48 exclamation
  OkInformation = 64,        // 0 OK + 64 information
};

// Dismissing a box with Escape or its close button answers Cancel.
enum class MessageAnswer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// What a file dialog is asked to show. The file name travels as UTF-8.
struct FileDialogRequest {
  std::string title;
  std::string filterDescription;
  std::string filterPattern = "*.nmo";
  std::string defaultExtension = "nmo";
  std::string initialFile;    // empty: the dialog starts with no name
  std::string initialFolder;  // where the dialog opens
  bool existingFilesOnly = false;
};

// What the core asks of the user: modal message boxes, the file dialogs
// and the busy pointer. The Qt window implements it; tests use a scripted
// fake.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual MessageAnswer MessageBox(std::string_view text, std::string_view title,
                                   MessageStyle style) = 0;

  // Both return the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;

  // The folder the file dialogs open in: the folder of the document's file
  // (documentPath; empty for a document without a name) while it is there,
  // else the user's documents folder, else home. Never the program's own.
  virtual std::string DocumentFolder(const std::string& documentPath) = 0;

  virtual void SetBusyPointer(bool busy) = 0;
};

// The document files on disk. The system's file functions implement it;
// tests keep files in memory.
class Files {
 public:
  virtual ~Files() = default;

  // The longest path the system takes, in bytes.
  virtual std::size_t MaxPathLength() = 0;
  // Whether anything has that name, a symbolic link too, even a broken one.
  virtual bool FileExists(const std::string& path) = 0;
  // The stamp of the file the path leads to now, following links; nothing
  // when there is none. Throws FileError when the path cannot be looked at.
  virtual std::optional<FileStamp> StampOf(const std::string& path) = 0;
  // Reads at most maxBytes from the start of a regular file. Anything that
  // is not a regular file is refused. Throws FileError.
  virtual FileStart ReadFileStart(const std::string& path, std::size_t maxBytes) = 0;
  // Replaces the file's contents as a whole and gives the stamp of the file
  // written. A symbolic link stays a link, and the file it leads to is
  // written. expected: what the caller found when it decided to write, the
  // stamp of the file the path led to (StampOf), or nothing when there was
  // none; the file written is that very one, or, for nothing, a new one.
  // Throws FileError, with nothing written, when the path leads elsewhere
  // by the time the file is opened; where the old file could not be kept
  // intact until the new one was complete, the error says that it may be
  // incomplete.
  virtual FileStamp WriteFile(const std::string& path, std::string_view bytes,
                              const std::optional<FileStamp>& expected) = 0;
};

// Everything the core needs from the desktop besides drawing.
struct Platform {
  Dialogs& dialogs;
  Files& files;
};

// Shows the busy pointer for as long as it lives.
class BusyPointer {
 public:
  explicit BusyPointer(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.SetBusyPointer(true); }
  ~BusyPointer() { dialogs_.SetBusyPointer(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  Dialogs& dialogs_;
};

}  // namespace numino
