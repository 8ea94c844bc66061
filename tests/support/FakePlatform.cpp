#include "support/FakePlatform.h"

#include <algorithm>
#include <utility>

namespace numino::testing {

namespace {

template <typename T>
T Next(std::vector<T>& queue, const T& otherwise) {
  if (queue.empty()) return otherwise;
  T next = std::move(queue.front());
  queue.erase(queue.begin());
  return next;
}

}  // namespace

MessageAnswer FakePlatform::MessageBox(std::string_view text, std::string_view title,
                                       MessageStyle style) {
  if (record) messages.push_back({std::string(text), std::string(title), style});
  return Next(messageAnswers, style == MessageStyle::YesNoCancelQuestion ? MessageAnswer::Cancel
                                                                         : MessageAnswer::Ok);
}

std::optional<std::string> FakePlatform::SaveFileDialog(const FileDialogRequest& request) {
  if (record) saveRequests.push_back(request);
  return Next(saveAnswers, saveDefault);
}

std::optional<std::string> FakePlatform::OpenFileDialog(const FileDialogRequest& request) {
  if (record) openRequests.push_back(request);
  return Next(openAnswers, openDefault);
}

void FakePlatform::SetBusyPointer(bool busy) {
  busyDepth += busy ? 1 : -1;
  if (record) busyChanges.push_back(busy);
}

bool FakePlatform::FileExists(const std::string& path) { return files.count(path) != 0; }

FileStart FakePlatform::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  if (record) readLimits.push_back(maxBytes);
  if (const auto failing = failingReads.find(path); failing != failingReads.end()) {
    throw FileError(path, failing->second);
  }
  const auto file = files.find(path);
  if (file == files.end()) throw FileError(path, "il file non esiste");
  const std::string& bytes = file->second;
  return {bytes.substr(0, std::min(maxBytes, bytes.size())), bytes.size() <= maxBytes};
}

void FakePlatform::WriteFile(const std::string& path, std::string_view bytes) {
  if (record) writes.push_back(path);
  if (const auto failing = failingWrites.find(path); failing != failingWrites.end()) {
    throw FileError(path, failing->second);
  }
  files[path].assign(bytes);
}

}  // namespace numino::testing
