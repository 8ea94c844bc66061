#pragma once

#include <string>

// Why a file could not be read or written, in Italian, as a message names
// it after the file: "Impossibile salvare il file pippo.nmo: permesso
// negato." Every reason the program gives is here.
namespace files {

inline constexpr const char* kNotRegular = "non è un file normale";
inline constexpr const char* kFolder = "è una cartella";
inline constexpr const char* kNoFile = "il file non esiste";
// Of a folder that a program keeps its own files in.
inline constexpr const char* kNotAFolder = "non è una cartella";
inline constexpr const char* kLink = "è un collegamento simbolico";
inline constexpr const char* kOtherUsers = "appartiene a un altro utente";
// The file checked before a save is no longer what the name leads to:
// another program changed it, or put another file or a link in its place,
// meanwhile.
inline constexpr const char* kReplaced =
    "un altro programma lo ha cambiato o sostituito durante il salvataggio";

}  // namespace files

// The reason for a failed file operation from its error number, in
// Italian whatever the locale: one of ours for every error the program's
// file calls can give, else the number.
std::string FileErrorReason(int errorNumber);
