#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "model/NuminoSchema.h"
#include "model/Platform.h"
#include "recovery/WorkRecovery.h"

class BoardWidget;
class ClipboardSize;
class QAction;
class QMenu;
class QSessionManager;
class Timer;

// The program's only window. It owns the one puzzle, hands it every key
// press, typed character and button release, and runs the menu commands.
// It keeps no puzzle state of its own and draws nothing itself: the puzzle
// draws on the board's surface.
class frmNumino : public QMainWindow {
  Q_OBJECT

 public:
  // programName starts the title: the executable's name without folder
  // and extension.
  explicit frmNumino(numino::Platform platform, QString programName = ProgramName(),
                     QWidget* parent = nullptr);
  ~frmNumino() override;

  static QString ProgramName();

  numino::NuminoSchema& Schema() { return schema_; }
  BoardWidget& Board() { return *board_; }

  void mnuNuovo_Click();
  void mnuApri_Click();
  void mnuSalva_Click();
  void mnuSalvaConNome_Click();
  void mnuEsci_Click();
  void mnuInfo_Click();

  // Reads the document at path (absolute) as "Apri..." reads the file chosen
  // in its dialog, with the same limits and messages, but without the dialog
  // and without asking to save: for the file named on the command line, when
  // nothing can be lost yet.
  // The path is the system's bytes, whatever their encoding.
  void OpenDocument(const std::string& path);
  // "Apri..." with the file already chosen: asks to save the changes first.
  void OpenDroppedFile(const std::string& path);
  // Ctrl+C on the board: the grid as text, nine lines of nine digits.
  void CopyGrid();
  // Ctrl+V on the board: a puzzle in the clipboard's text becomes a new,
  // unnamed, modified document, after asking to save the changes; any other
  // text is refused with a message and changes nothing. Where another
  // program holds the clipboard, this happens once it has told the text's
  // size, and a text too long for a puzzle is refused without being read.
  void PasteGrid();

  // Keeps a recovery file of the work in folder from now on: the program
  // does so in the user's state folder, a test in a folder of its own. The
  // timer says when a change is written; it outlives the window.
  void EnableRecovery(const std::string& folder, Timer& timer);
  // At start, before any document is opened: offers back the work of a
  // program that did not close normally.
  enum class Recovery {
    None,          // nothing to offer, or No
    Restored,      // Yes: the work is back
    SessionEnded,  // the session ended while asking: the program is to end
                   // now, and the file stays for the next start
  };
  Recovery OfferRecovery();
  // After Yes: the document named on the command line, unless it is the
  // recovered one's own file, whose work is newer; another is opened after
  // the save prompt.
  void OpenAfterRecovery(const std::string& path);
  // SIGTERM and its kind: the work goes into the recovery file, and the
  // program ends without asking anything; with a non-zero status, and one
  // line on the error stream, when the work could not be kept.
  void KeepWorkAndQuit();
  // The program is made to end under the event loop (Qt ends it when the
  // X connection breaks): the work goes into the recovery file as for a
  // stop signal, and one line on the error stream says so.
  void KeepWorkAtExit();
  // The session manager's question before the session ends.
  void CommitData(QSessionManager& manager);
  // Its answer, false to keep the session going. mayInteract asks the
  // manager whether the save prompt may be shown. The answer acts only
  // when the session really ends, in the close that the manager's "die"
  // makes; a shutdown cancelled after it leaves everything as it was.
  bool SessionMayEnd(const std::function<bool()>& mayInteract);

  // Sees the application told to quit: the session's end closes the window.
  bool eventFilter(QObject* object, QEvent* event) override;

 protected:
  // Form_Unload: every request to close comes here.
  void closeEvent(QCloseEvent* event) override;
  // Exactly one local file may be dropped on the window; the drag of
  // anything else is refused, so the pointer shows that nothing would happen.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void Form_Load();
  void RestoreZoom();
  void UpdateTitle();
  // Runs read (Load or LoadFile), tells a failed read to the user, then
  // brings the title and the board up to date.
  void ReadDocument(const std::function<void()>& read);
  void RefreshBoard();
  void Route(std::int16_t keyAscii, std::int16_t keyCode, std::int16_t button, int x, int y);
  // How the question whether to save the changes ended. The commands go on
  // unless it ended Cancelled.
  enum class SavePrompt {
    NothingAsked,  // the document had no changes
    Saved,         // Yes, and the save happened
    Declined,      // No: the changes are dropped
    Cancelled,     // Cancel, or Yes with a save that did not happen
  };
  SavePrompt QuerySaveChanges();
  bool SaveDocument(bool askName);
  // The rest of Ctrl+V, once the clipboard's owner said whether its text
  // is longer than a puzzle could be.
  void PasteClipboard(bool longer);
  // After an input, and after a command changed the document: the recovery
  // file follows it, soon or at once.
  void NoteWorkChanged();
  void SettleWork();
  // What follows every command: the title, the board unless only the name
  // may have changed, and the recovery file.
  enum class Redraw { Board, TitleOnly };
  void AfterCommand(Redraw redraw);
  // The recovery file cannot be written: tells the user once, unless the
  // program is ending. True when told.
  bool TellRecoveryFault(const WorkRecovery::Fault& fault);

  numino::Platform platform_;
  QString programName_;
  QString title_;  // as shown, before escaping for Qt
  BoardWidget* board_ = nullptr;
  ClipboardSize* clipboardSize_ = nullptr;
  numino::NuminoSchema schema_;  // the one document, for the window's whole life
  std::unique_ptr<WorkRecovery> recovery_;
  // What the end of the session settled, for the close that follows it.
  enum class SessionEnd {
    None,       // nothing: a close asks as always
    Settled,    // the user answered the prompt: the close asks no more
    LeaveWork,  // no prompt was allowed: the close keeps the recovery file
  };
  SessionEnd sessionEnd_ = SessionEnd::None;
  bool sessionQuit_ = false;  // the application is told to quit: the session ends
  bool ending_ = false;       // a stop signal or the session's end: no box any more
};
