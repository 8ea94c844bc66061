#include "support/FakePlatform.h"

#include <algorithm>

namespace numino::testing {

MessageAnswer FakePlatform::MessageBox(std::string_view text, std::string_view title,
                                       MessageStyle style) {
  messages.push_back({std::string(text), std::string(title), style});
  if (messageAnswers.empty()) {
    return style == MessageStyle::YesNoCancelQuestion ? MessageAnswer::Cancel : MessageAnswer::Ok;
  }
  const MessageAnswer answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakePlatform::SaveFileDialog(const FileDialogRequest& request) {
  saveRequests.push_back(request);
  if (saveAnswers.empty()) return std::nullopt;
  auto answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakePlatform::OpenFileDialog(const FileDialogRequest& request) {
  openRequests.push_back(request);
  if (openAnswers.empty()) return std::nullopt;
  auto answer = openAnswers.front();
  openAnswers.pop_front();
  return answer;
}

void FakePlatform::SetBusyPointer(bool busy) { busyChanges.push_back(busy); }

bool FakePlatform::FileExists(const std::string& path) { return files.count(path) != 0; }

FileStamp& FakePlatform::StampFor(const std::string& path) {
  const auto [stamp, made] = stamps.try_emplace(path);
  if (made) stamp->second.inode = stamps.size();
  return stamp->second;
}

std::optional<FileStamp> FakePlatform::StampOf(const std::string& path) {
  if (files.count(path) == 0) return std::nullopt;
  return StampFor(path);
}

FileStart FakePlatform::ReadFileStart(const std::string& path, std::size_t maxBytes) {
  readLimits.push_back(maxBytes);
  if (const auto failing = failingReads.find(path); failing != failingReads.end()) {
    throw FileError(path, failing->second);
  }
  const auto file = files.find(path);
  if (file == files.end()) throw FileError(path, "il file non esiste");
  const std::string& bytes = file->second;
  return {bytes.substr(0, std::min(maxBytes, bytes.size())), bytes.size() <= maxBytes,
          StampFor(path)};
}

FileStamp FakePlatform::WriteFile(const std::string& path, std::string_view bytes) {
  writes.push_back(path);
  if (const auto failing = failingWrites.find(path); failing != failingWrites.end()) {
    throw FileError(path, failing->second);
  }
  files[path] = std::string(bytes);
  FileStamp& stamp = StampFor(path);
  stamp.size = static_cast<std::int64_t>(bytes.size());
  stamp.modifiedSeconds = ++clock_;
  return stamp;
}

}  // namespace numino::testing
