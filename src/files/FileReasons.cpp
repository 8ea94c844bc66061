#include "files/FileReasons.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr const char* kDiskFull = "spazio esaurito sul disco";
constexpr const char* kDenied = "permesso negato";
constexpr const char* kNoFolder = "la cartella non esiste";

struct KnownError {
  int code;
  const char* reason;
};

constexpr KnownError kKnownErrors[] = {
    {ENOSPC, kDiskFull},
    {EDQUOT, kDiskFull},
    {EACCES, kDenied},
    {EPERM, kDenied},
    {EROFS, "il disco è di sola lettura"},
    {ENOENT, kNoFolder},
    {ENOTDIR, kNoFolder},
    {EISDIR, files::kFolder},
    {ENAMETOOLONG, "il nome del file è troppo lungo"},
    {EIO, "errore di lettura o scrittura sul disco"},
};

}  // namespace

std::string FileErrorReason(int errorNumber) {
  for (const KnownError& known : kKnownErrors) {
    if (known.code == errorNumber) return known.reason;
  }
  return std::strerror(errorNumber);
}
