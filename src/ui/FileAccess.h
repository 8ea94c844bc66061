#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

#include "model/Platform.h"

class QSaveFile;

// The document files on disk: looking at a path, reading the start of a
// file, writing one, and the Italian reasons for the system's error numbers.
// Every call into the operating system's file functions is made here, so a
// port to another system changes this unit alone. Paths travel as UTF-8.
class FileAccess {
 public:
  virtual ~FileAccess() = default;

  bool FileExists(const std::string& path);
  // At most maxBytes from the start of a regular file; anything that is not
  // a regular file is refused without being opened. Throws FileError.
  numino::FileStart ReadFileStart(const std::string& path, std::size_t maxBytes);
  // Replaces the file's contents as a whole. Throws FileError.
  void WriteFile(const std::string& path, std::string_view bytes);

 protected:
  // Writes the new contents into the not yet committed file; false on
  // failure, with errno telling why. Tests override it to fail half-way.
  virtual bool WriteBytes(QSaveFile& file, std::string_view bytes);
};

// The Italian reason shown to the user for a failed file operation: from
// the error number when it is a common one, else Qt's own error text.
std::string FileErrorReason(int errorNumber, const QString& fallback);
