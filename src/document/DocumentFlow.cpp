// Saving and opening a document: the file dialogs, the questions, the file itself.

#include <variant>

#include "document/DocumentTexts.h"
#include "document/NmoFormat.h"
#include "model/NuminoSchema.h"

namespace numino {

namespace {

using document::kOpenTitle;
using document::kSaveTitle;

// The file dialogs hold names of up to 519 characters. A longer name is
// refused rather than cut, since a cut name is another file.
constexpr std::size_t kMaxNameLength = 519;

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

bool RefuseLongName(Platform& platform, const std::string& name, const char* title) {
  if (CharacterCount(name) <= kMaxNameLength) return false;
  platform.MessageBox(document::LongNameMessage(kMaxNameLength), title,
                      MessageStyle::OkExclamation);
  return true;
}

}  // namespace

// Declining the overwrite question brings the dialog back, starting from the
// name just chosen; only cancelling the dialog gives up.
std::string NuminoSchema::AskSaveName() {
  FileDialogRequest request;
  request.title = kSaveTitle;
  request.initialFile = fileName;
  request.initialFolder = platform_.DocumentFolder();
  for (;;) {
    const std::optional<std::string> chosen = platform_.SaveFileDialog(request);
    if (!chosen || chosen->empty()) return {};
    request.initialFile = *chosen;
    if (RefuseLongName(platform_, *chosen, kSaveTitle)) continue;
    if (platform_.FileExists(*chosen) &&
        platform_.MessageBox(document::OverwriteQuestion(*chosen), kSaveTitle,
                             MessageStyle::YesNoQuestion) != MessageAnswer::Yes) {
      continue;
    }
    return *chosen;
  }
}

SaveOutcome NuminoSchema::Save(bool askName) {
  if (askName || fileName.empty()) {
    std::string chosen = AskSaveName();
    if (chosen.empty()) return SaveOutcome::Cancelled;
    // From here on the document carries the new name, also if writing fails.
    fileName = std::move(chosen);
  }
  {
    BusyPointer busy(platform_);
    platform_.WriteFile(fileName, nmo::Format(cellValues));
  }
  modifiedFlag = false;
  return SaveOutcome::Written;
}

void NuminoSchema::Load() {
  FileDialogRequest request;
  request.title = kOpenTitle;
  request.initialFolder = platform_.DocumentFolder();
  request.existingFilesOnly = true;
  const std::optional<std::string> chosen = platform_.OpenFileDialog(request);
  if (!chosen || chosen->empty()) return;
  LoadFile(*chosen);
}

// Nothing is installed until the whole file has parsed, so a bad file leaves
// the open document, its name and its history untouched.
void NuminoSchema::LoadFile(const std::string& path) {
  if (RefuseLongName(platform_, path, kOpenTitle)) return;

  std::variant<Grid, nmo::ParseError> parsed;
  {
    BusyPointer busy(platform_);
    const FileStart start = platform_.ReadFileStart(path, nmo::kReadLimit);
    parsed = nmo::Parse(start.bytes, start.wholeFile);
  }
  if (const auto* error = std::get_if<nmo::ParseError>(&parsed)) {
    throw FileError(path, error->reason);
  }
  Reset();
  fileName = path;
  cellValues = std::get<Grid>(parsed);
  modifiedFlag = false;
  ClearHistory();
}

}  // namespace numino
