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
// name just chosen; only cancelling the dialog gives up. What the name
// leads to is looked at before the question, so that the file written is
// the one the user agreed to write over.
NuminoSchema::SaveTarget NuminoSchema::AskSaveName() {
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
    SaveTarget target{*chosen, platform_.files.StampOf(*chosen)};
    if (platform_.files.FileExists(*chosen) &&
        platform_.dialogs.MessageBox(document::OverwriteQuestion(*chosen), kSaveTitle,
                                     MessageStyle::YesNoQuestion) != MessageAnswer::Yes) {
      continue;
    }
    return target;
  }
}

// Writing under the document's own name must not silently undo what
// another program did to the file since this document read or wrote it.
// Without a stamp there is nothing to compare with, and no question.
// Nothing when the user declines.
std::optional<NuminoSchema::SaveTarget> NuminoSchema::MayWriteOver() {
  SaveTarget target{fileName, platform_.files.StampOf(fileName)};
  if (!fileStamp || (target.found && target.found->SameAs(*fileStamp))) return target;
  const std::string question = target.found ? document::ChangedElsewhereQuestion(fileName)
                                            : document::GoneQuestion(fileName);
  if (platform_.dialogs.MessageBox(question, kSaveTitle, MessageStyle::YesNoQuestion) !=
      MessageAnswer::Yes) {
    return std::nullopt;
  }
  return target;
}

// The document takes a newly chosen name only once its file is written: a
// failed write leaves the name, the title and the modified flag as they were.
// "Salva con nome..." asks its own overwrite question and no other. The
// file written is the one found when the question was asked, or none: one
// put in its place meanwhile fails the save.
SaveOutcome NuminoSchema::Save(bool askName) {
  SaveTarget target;
  if (askName || fileName.empty()) {
    target = AskSaveName();
    if (target.path.empty()) return SaveOutcome::Cancelled;
  } else if (auto own = MayWriteOver()) {
    target = std::move(*own);
  } else {
    return SaveOutcome::Cancelled;
  }
  FileStamp written;
  try {
    BusyPointer busy(platform_.dialogs);
    written = platform_.files.WriteFile(target.path, nmo::Format(cellValues), target.found);
  } catch (const FileError& error) {
    // The file holds this document now although the save failed: the next
    // "Salva" must not take the change for another program's.
    if (error.UnconfirmedStamp() && target.path == fileName) fileStamp = error.UnconfirmedStamp();
    throw;
  }
  fileName = std::move(target.path);
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
