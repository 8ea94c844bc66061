#include "support/FakePlatform.h"

#include <algorithm>
#include <utility>

#include "files/FileReasons.h"

namespace numino::testing {

namespace {

template <typename T>
T Next(std::vector<T>& queue, const T& otherwise) {
  if (queue.empty()) return otherwise;
  T next = std::move(queue.front());
  queue.erase(queue.begin());
  return next;
}

// What a real box answers to Escape.
MessageAnswer EscapeAnswer(MessageStyle style) {
  if (style == MessageStyle::YesNoCancelQuestion) return MessageAnswer::Cancel;
  return style == MessageStyle::YesNoQuestion ? MessageAnswer::No : MessageAnswer::Ok;
}

}  // namespace

MessageAnswer FakeDialogs::MessageBox(std::string_view text, std::string_view title,
                                      MessageStyle style) {
  if (record) messages.push_back({std::string(text), std::string(title), style});
  return Next(messageAnswers, EscapeAnswer(style));
}

std::optional<std::string> FakeDialogs::SaveFileDialog(const FileDialogRequest& request) {
  if (record) saveRequests.push_back(request);
  return Next(saveAnswers, saveDefault);
}

std::optional<std::string> FakeDialogs::OpenFileDialog(const FileDialogRequest& request) {
  if (record) openRequests.push_back(request);
  return Next(openAnswers, openDefault);
}

std::string FakeDialogs::DocumentFolder(const std::string& documentPath) {
  if (record) folderQueries.push_back(documentPath);
  return documentFolder;
}

void FakeDialogs::SetBusyPointer(bool busy) {
  busyDepth += busy ? 1 : -1;
  if (record) busyChanges.push_back(busy);
}

bool FakeFiles::FileExists(const std::string& path) { return files.count(path) != 0; }

FileStamp& FakeFiles::StampFor(const std::string& path) {
  const auto [stamp, made] = stamps.try_emplace(path);
  if (made) stamp->second.inode = stamps.size();
  return stamp->second;
}

std::optional<FileStamp> FakeFiles::StampOf(const std::string& path) {
  if (files.count(path) == 0) return std::nullopt;
  return StampFor(path);
}

FileStart FakeFiles::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  if (record) readLimits.push_back(maxBytes);
  if (const auto failing = failingReads.find(path); failing != failingReads.end()) {
    throw FileError(path, failing->second);
  }
  const auto file = files.find(path);
  if (file == files.end()) throw FileError(path, "il file non esiste");
  const std::string& bytes = file->second;
  return {bytes.substr(0, std::min(maxBytes, bytes.size())), bytes.size() <= maxBytes,
          StampFor(path)};
}

// The file is checked as the real one is once opened, before anything is
// written.
FileStamp FakeFiles::WriteFile(const std::string& path, std::string_view bytes,
                               const std::optional<FileStamp>& expected) {
  if (record) writes.push_back(path);
  if (StampOf(path) != expected) throw FileError(path, files::kReplaced);
  if (whileWriting) whileWriting();
  if (const auto failing = failingWrites.find(path); failing != failingWrites.end()) {
    throw FileError(path, failing->second);
  }
  files[path].assign(bytes);
  FileStamp& stamp = StampFor(path);
  stamp.size = static_cast<std::int64_t>(bytes.size());
  stamp.modifiedSeconds = ++clock_;
  return stamp;
}

}  // namespace numino::testing
