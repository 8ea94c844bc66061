#pragma once

#include <cstddef>
#include <string>

#include "model/Platform.h"

// The titles and messages of opening and saving a document. The document
// flow asks its questions with them, and the window reports a failed read or
// write under the same titles.
namespace numino::document {

inline constexpr const char* kSaveTitle = "Salvataggio dati";
inline constexpr const char* kOpenTitle = "Caricamento dati";

inline std::string OverwriteQuestion(const std::string& path) {
  return "Il file " + path + " esiste già. Lo sovrascrivo?";
}

inline std::string LongNameMessage(std::size_t maxLength) {
  return "Il nome del file è troppo lungo: sono ammessi al massimo " + std::to_string(maxLength) +
         " caratteri.";
}

inline std::string CannotSaveMessage(const FileError& error) {
  return "Impossibile salvare il file " + error.Path() + ": " + error.Reason() + ".";
}

inline std::string CannotOpenMessage(const FileError& error) {
  return "Impossibile aprire il file " + error.Path() + ": " + error.Reason() + ".";
}

}  // namespace numino::document
