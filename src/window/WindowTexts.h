#pragma once

#include <string>

#include "document/DocumentTexts.h"

// Every text of the main window: its menus, its questions and its About
// box. Menu captions carry their access keys.
namespace numino::window {

// The window's first title, and the title of the boxes about the program
// itself.
inline constexpr const char* kProgram = "Numino";
// What the program is, in one line: in the About box, and in --help.
inline constexpr const char* kTagline = "L'assistente per la risoluzione di numino.";

inline constexpr const char* kFileMenu = "&File";
inline constexpr const char* kNewItem = "&Nuovo...";
inline constexpr const char* kOpenItem = "&Apri...";
inline constexpr const char* kSaveItem = "&Salva";
inline constexpr const char* kSaveAsItem = "Salva con &nome...";
inline constexpr const char* kExitItem = "&Esci";
inline constexpr const char* kHelpMenu = "&?";
// The help menu's item, and the title of the box it shows.
inline constexpr const char* kAbout = "Informazioni su Numino";

inline constexpr const char* kSaveQuestion = "Salvo i dati?";
inline constexpr const char* kRecoveryQuestion =
    "Numino non è stato chiuso correttamente. Recupero il lavoro non salvato?";
// When the work cannot be kept for after a crash: told once in a box, and
// in one line on the error stream when a stop signal ends the program.
inline std::string RecoveryFaultMessage(const std::string& folder, const std::string& reason) {
  return "Impossibile conservare il lavoro non salvato nella cartella " +
         document::VisibleName(folder) + ": " + reason + ". Conviene salvare il documento.";
}
inline std::string RecoveryFaultLine(const std::string& folder, const std::string& reason) {
  return "Numino: il lavoro non salvato non è stato conservato (cartella " +
         document::VisibleName(folder) + ": " + reason + ")";
}

// At start, when the folder may hold unsaved work of an earlier run but
// cannot be looked through; that work stays there for the next start.
inline std::string RecoveryUnreadableMessage(const std::string& folder, const std::string& reason) {
  return "Impossibile cercare il lavoro non salvato nella cartella " +
         document::VisibleName(folder) + ": " + reason + ".";
}

// The display went away under the program, which must end: one line on
// the error stream, after the work was written as for a stop signal.
inline std::string DisplayLostLine(const std::string& folder) {
  return "Numino: il collegamento con lo schermo si è interrotto; il lavoro non salvato è "
         "conservato nella cartella " +
         document::VisibleName(folder) + " e sarà offerto al prossimo avvio";
}

inline const std::string kAboutText = std::string("Numino.exe\r\n") + kTagline +
                                      "\r\n"
                                      "\r\n"
                                      "Gli sviluppatori di Numino, 2026\r\n"
                                      "file:///usr/share/doc/numino/README.md";

}  // namespace numino::window
