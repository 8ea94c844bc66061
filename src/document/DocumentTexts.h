#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/Platform.h"

// Every text of the documents: the titles and messages of opening and
// saving one, why a file is no document, and the refusal of a clipboard
// without a puzzle. The document flow asks its questions with them, and the
// window reports a failed read or write under the same titles.
namespace numino::document {

inline constexpr const char* kSaveTitle = "Salvataggio dati";
inline constexpr const char* kOpenTitle = "Caricamento dati";
// What the file dialogs offer.
inline constexpr const char* kFilterDescription = "Documento NMO (*.nmo)";

// Why a file is no document.
inline constexpr const char* kTooLarge = "il file è troppo grande per essere un documento NMO";
inline std::string ShortLine(int row) {
  return "la riga " + std::to_string(row) + " ha meno di nove cifre";
}
inline std::string NotADigit(int row, int col) {
  return "la riga " + std::to_string(row) + " contiene un carattere che non è una cifra (colonna " +
         std::to_string(col) + ")";
}

// What the user sees when the clipboard holds no puzzle.
inline constexpr const char* kPasteRefusedTitle = "Numino";
inline constexpr MessageStyle kPasteRefusedStyle = MessageStyle::OkExclamation;
inline constexpr const char* kPasteRefusedText =
    "Gli appunti non contengono uno schema: servono 81 caselle, con le cifre da 1 a 9 e 0 o . "
    "per quelle vuote.";

// A file name (UTF-8) as the user is shown it, in a message or the window's
// title: a control character would break the text apart or not show at
// all, so each one, C0 (below 0x20), DEL and C1 (U+0080 to U+009F) alike,
// shows as the replacement character U+FFFD. Every text that names a file
// passes its name through here.
inline std::string VisibleName(std::string_view name) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const bool c1 = byte == 0xC2 && i + 1 < name.size() &&
                    static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1) {
      shown += kReplacement;
      if (c1) ++i;
    } else {
      shown += name[i];
    }
  }
  return shown;
}

inline std::string OverwriteQuestion(const std::string& path) {
  return "Il file " + VisibleName(path) + " esiste già. Lo sovrascrivo?";
}

inline std::string ChangedElsewhereQuestion(const std::string& path) {
  return "Il file " + VisibleName(path) +
         " è stato modificato da un altro programma. Lo sovrascrivo?";
}

inline std::string GoneQuestion(const std::string& path) {
  return "Il file " + VisibleName(path) + " non esiste più. Lo ricreo?";
}

inline std::string LongNameMessage(std::size_t maxLength) {
  return "Il nome del file è troppo lungo: sono ammessi al massimo " + std::to_string(maxLength) +
         " caratteri.";
}

inline std::string CannotSaveMessage(const FileError& error) {
  std::string text =
      "Impossibile salvare il file " + VisibleName(error.Path()) + ": " + error.Reason() + ".";
  if (error.MayBeIncomplete()) text += " Il file potrebbe essere rimasto incompleto.";
  if (error.UnconfirmedStamp()) {
    text +=
        " Il file contiene i nuovi dati, ma il disco non ne ha confermato la scrittura: "
        "un'interruzione di corrente potrebbe ancora annullare il salvataggio.";
  }
  return text;
}

inline std::string CannotOpenMessage(const FileError& error) {
  return "Impossibile aprire il file " + VisibleName(error.Path()) + ": " + error.Reason() + ".";
}

}  // namespace numino::document
