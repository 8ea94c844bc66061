// Saving and opening a document: the file dialogs, the questions, the file itself.

#include <optional>
#include <string>
#include <variant>

#include "document/DocumentTexts.h"
#include "document/NmoFormat.h"
#include "model/NuminoSchema.h"

namespace numino {

namespace {

using document::kOpenTitle;
using document::kSaveTitle;

// A name longer than the system takes is refused rather than cut, since a
// cut name is another file. The limit counts bytes, as the system does.
bool RefuseLongName(Platform platform, const std::string& name, const char* title) {
  const std::size_t limit = platform.files.MaxPathLength();
  if (name.size() <= limit) return false;
  platform.dialogs.MessageBox(document::LongNameMessage(limit), title, MessageStyle::OkExclamation);
  return true;
}

}  // namespace

// Declining the overwrite question brings the dialog back, starting from the
// name just chosen; only cancelling the dialog gives up.
std::string NuminoSchema::AskSaveName() {
  FileDialogRequest request;
  request.title = kSaveTitle;
  request.filterDescription = document::kFilterDescription;
  request.initialFile = fileName;
  request.initialFolder = platform_.dialogs.DocumentFolder(fileName);
  for (;;) {
    const std::optional<std::string> chosen = platform_.dialogs.SaveFileDialog(request);
    if (!chosen || chosen->empty()) return {};
    request.initialFile = *chosen;
    if (RefuseLongName(platform_, *chosen, kSaveTitle)) continue;
    if (platform_.files.FileExists(*chosen) &&
        platform_.dialogs.MessageBox(document::OverwriteQuestion(*chosen), kSaveTitle,
                                     MessageStyle::YesNoQuestion) != MessageAnswer::Yes) {
      continue;
    }
    return *chosen;
  }
}

// Writing under the document's own name must not silently undo what
// another program did to the file since this document read or wrote it.
// Without a stamp there is nothing to compare with, and no question.
bool NuminoSchema::MayWriteOver() {
  if (!fileStamp) return true;
  const std::optional<FileStamp> now = platform_.files.StampOf(fileName);
  if (now == fileStamp) return true;
  const std::string question =
      now ? document::ChangedElsewhereQuestion(fileName) : document::GoneQuestion(fileName);
  return platform_.dialogs.MessageBox(question, kSaveTitle, MessageStyle::YesNoQuestion) ==
         MessageAnswer::Yes;
}

// The document takes a newly chosen name only once its file is written: a
// failed write leaves the name, the title and the modified flag as they were.
// "Salva con nome..." asks its own overwrite question and no other.
SaveOutcome NuminoSchema::Save(bool askName) {
  std::string target = fileName;
  if (askName || fileName.empty()) {
    target = AskSaveName();
    if (target.empty()) return SaveOutcome::Cancelled;
  } else if (!MayWriteOver()) {
    return SaveOutcome::Cancelled;
  }
  FileStamp written;
  try {
    BusyPointer busy(platform_.dialogs);
    written = platform_.files.WriteFile(target, nmo::Format(cellValues));
  } catch (const FileError& error) {
    // The file holds this document now although the save failed: the next
    // "Salva" must not take the change for another program's.
    if (error.UnconfirmedStamp() && target == fileName) fileStamp = error.UnconfirmedStamp();
    throw;
  }
  fileName = std::move(target);
  fileStamp = written;
  modifiedFlag = false;
  return SaveOutcome::Written;
}

void NuminoSchema::Load() {
  FileDialogRequest request;
  request.title = kOpenTitle;
  request.filterDescription = document::kFilterDescription;
  request.initialFolder = platform_.dialogs.DocumentFolder(fileName);
  request.existingFilesOnly = true;
  const std::optional<std::string> chosen = platform_.dialogs.OpenFileDialog(request);
  if (!chosen || chosen->empty()) return;
  LoadFile(*chosen);
}

// Nothing is installed until the whole file has parsed, so a bad file leaves
// the open document, its name and its history untouched.
void NuminoSchema::LoadFile(const std::string& path) {
  if (RefuseLongName(platform_, path, kOpenTitle)) return;

  std::variant<Grid, nmo::ParseError> parsed;
  FileStamp read;
  {
    BusyPointer busy(platform_.dialogs);
    const FileStart start = platform_.files.ReadFileStart(path, nmo::kReadLimit);
    parsed = nmo::Parse(start.bytes, start.wholeFile);
    read = start.stamp;
  }
  if (const auto* error = std::get_if<nmo::ParseError>(&parsed)) {
    throw FileError(path, error->reason);
  }
  Reset();
  fileName = path;
  fileStamp = read;
  cellValues = std::get<Grid>(parsed);
  modifiedFlag = false;
  ClearHistory();
}

}  // namespace numino
