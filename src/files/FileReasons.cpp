#include "files/FileReasons.h"

#include <cerrno>
#include <string>

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
    {EEXIST, "esiste già un file con quel nome"},
    {ELOOP, "troppi collegamenti simbolici in fila, o in cerchio"},
    {EMLINK, "troppi collegamenti al file"},
    {EFBIG, "il file è troppo grande"},
    {ETXTBSY, "il file è in uso da un programma"},
    {EBUSY, "il file è in uso"},
    {EAGAIN, "il file è bloccato da un altro programma"},
    {ENXIO, "il dispositivo non è disponibile"},
    {ENODEV, "il dispositivo non è disponibile"},
    {EXDEV, "il file sta su un altro disco"},
    {ENOTEMPTY, "la cartella non è vuota"},
    {EMFILE, "troppi file aperti"},
    {ENFILE, "troppi file aperti nel sistema"},
    {ENOMEM, "memoria esaurita"},
    {EINVAL, "operazione non ammessa su questo disco"},
    {ENOTSUP, "operazione non ammessa su questo disco"},
    {ENOLCK, "il disco non ammette blocchi sui file"},
    {EOVERFLOW, "il file è troppo grande"},
    {ESTALE, "il file non è più disponibile sul disco di rete"},
    {ETIMEDOUT, "il disco di rete non risponde"},
    {EINTR, "operazione interrotta"},
    {EBADF, "errore interno nell'accesso al file"},
    {EFAULT, "errore interno nell'accesso al file"},
    {ENOSYS, "operazione non ammessa da questo sistema"},
};

}  // namespace

std::string FileErrorReason(int errorNumber) {
  for (const KnownError& known : kKnownErrors) {
    if (known.code == errorNumber) return known.reason;
  }
  return "errore del sistema numero " + std::to_string(errorNumber);
}
