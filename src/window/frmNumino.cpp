// The main window: its menus, the File commands and the save question, and
// the ways in without a menu item: a file to open, a dropped file, copy and
// paste.

#include "window/frmNumino.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSessionManager>
#include <QUrl>

#include <cstdio>
#include <optional>

#include "accessible/BoardAccessible.h"
#include "board/BoardWidget.h"
#include "board/ZoomMemory.h"
#include "clipboard/ClipboardSize.h"
#include "display/Zoom.h"
#include "document/DocumentTexts.h"
#include "document/PastedGrid.h"
#include "input/InputCodes.h"
#include "recovery/RecoveryFormat.h"
#include "recovery/WorkRecovery.h"
#include "window/QtDialogs.h"
#include "window/WindowTexts.h"

using numino::FileError;
using numino::MessageAnswer;
using numino::MessageStyle;
namespace texts = numino::window;

namespace {

// The local file a URL names, as the system's bytes: its percent-encoded
// path decoded byte for byte. QUrl::toLocalFile would decode it as UTF-8,
// and a name in another encoding would name another file.
std::string LocalFileBytes(const QUrl& url) {
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  const QString host = url.host();
  if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
    return path.toStdString();
  }
  return QFile::encodeName(url.toLocalFile()).toStdString();
}

// Accepts a drag that carries exactly one local file, and returns that
// file; refuses any other. The file is only read, so the drag is taken as a
// copy (or else a link), never as a move: after a move the program it came
// from would delete the file.
std::optional<std::string> TakeFileDrag(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData() ? event->mimeData()->urls() : QList<QUrl>();
  const Qt::DropActions possible = event->possibleActions();
  if (urls.size() != 1 || !urls.front().isLocalFile() ||
      !(possible & (Qt::CopyAction | Qt::LinkAction))) {
    event->ignore();
    return std::nullopt;
  }
  event->setDropAction((possible & Qt::CopyAction) ? Qt::CopyAction : Qt::LinkAction);
  event->accept();
  return LocalFileBytes(urls.front());
}

}  // namespace

frmNumino::frmNumino(numino::Platform platform, QString programName, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      programName_(std::move(programName)),
      schema_(platform_) {
  setWindowTitle(QString::fromUtf8(texts::kProgram));
  board_ = new BoardWidget(this);
  clipboardSize_ = new ClipboardSize(this);
  setCentralWidget(board_);
  // The board has a fixed pixel geometry, so the window is as big as the
  // menu bar and the board's 240 x 240 pixels times the zoom, and cannot be
  // resized. The outer size that Refresh asks for is therefore left
  // unanswered: the frame's size is the desktop's business.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  BuildMenus();
  RestoreZoom();

  connect(board_, &BoardWidget::KeyDown, this,
          [this](std::int16_t keyCode) { Route(0, keyCode, 0, 0, 0); });
  connect(board_, &BoardWidget::KeyPress, this,
          [this](std::int16_t keyAscii) { Route(keyAscii, 0, 0, 0, 0); });
  connect(board_, &BoardWidget::MouseUp, this,
          [this](std::int16_t button, int x, int y) { Route(0, 0, button, x, y); });
  connect(board_, &BoardWidget::CopyRequested, this, &frmNumino::CopyGrid);
  connect(board_, &BoardWidget::PasteRequested, this, &frmNumino::PasteGrid);
  connect(board_, &BoardWidget::ImageRemade, this, &frmNumino::RefreshBoard);
  connect(board_, &BoardWidget::ZoomChanged, this, [](qreal zoom) { RememberZoom(zoom); });
  // The screen reader hears where the user is on the board.
  connect(board_, &BoardWidget::FocusEntered, this, [this] { AnnounceBoardFocus(*board_); });
  setAcceptDrops(true);
  board_->setFocus();
  // Called within the session manager's message: the session waits for
  // the answer.
  connect(qApp, &QGuiApplication::commitDataRequest, this, &frmNumino::CommitData,
          Qt::DirectConnection);
  qApp->installEventFilter(this);

  Form_Load();
}

// The board goes first: Qt would delete it after the members, and its
// accessible table reads the schema.
frmNumino::~frmNumino() { delete board_; }

QString frmNumino::ProgramName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void frmNumino::BuildMenus() {
  const auto addItem = [this](QMenu* menu, const char* name, const char* caption,
                              void (frmNumino::*command)()) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, command);
  };

  QMenu* file = menuBar()->addMenu(QString::fromUtf8(texts::kFileMenu));
  file->setObjectName(QStringLiteral("mnuFile"));
  addItem(file, "mnuNuovo", texts::kNewItem, &frmNumino::mnuNuovo_Click);
  addItem(file, "mnuApri", texts::kOpenItem, &frmNumino::mnuApri_Click);
  addItem(file, "mnuSalva", texts::kSaveItem, &frmNumino::mnuSalva_Click);
  addItem(file, "mnuSalvaConNome", texts::kSaveAsItem, &frmNumino::mnuSalvaConNome_Click);
  file->addSeparator()->setObjectName(QStringLiteral("mnuSeparator1"));
  addItem(file, "mnuEsci", texts::kExitItem, &frmNumino::mnuEsci_Click);

  QMenu* help = menuBar()->addMenu(QString::fromUtf8(texts::kHelpMenu));
  help->setObjectName(QStringLiteral("mnuHelp"));
  addItem(help, "mnuInfo", texts::kAbout, &frmNumino::mnuInfo_Click);
}

// Before the board is first drawn and the window first shown, so that it
// comes up at the remembered size. Whatever the file holds, the window fits
// its screen.
void frmNumino::RestoreZoom() {
  const double remembered = RecallZoom();
  if (remembered <= 1) return;
  board_->SetZoom(
      numino::zoom::Remembered(remembered, [this](double zoom) { return board_->Fits(zoom); }));
}

// The board is drawn before the window is first shown; showing it only
// copies the picture.
void frmNumino::Form_Load() {
  UpdateTitle();
  RefreshBoard();
}

void frmNumino::UpdateTitle() {
  title_ = programName_ + QStringLiteral(" - ") +
           QString::fromStdString(numino::document::VisibleName(schema_.GetFileName()));
  setWindowTitle(EscapeWindowTitle(title_));
}

void frmNumino::RefreshBoard() {
  schema_.Refresh(board_->Surface());
  board_->ShowDrawing();
  AnnounceBoardChanges(*board_);
}

// One call per event; the arguments that do not carry it are 0.
void frmNumino::Route(std::int16_t keyAscii, std::int16_t keyCode, std::int16_t button, int x,
                      int y) {
  schema_.ProcessInput(board_->Surface(), keyAscii, keyCode, button, x, y);
  board_->ShowDrawing();
  // An arrow key that could not move, at the edge, tells the cell again.
  AnnounceBoardChanges(*board_,
                       keyCode >= numino::input::kKeyLeft && keyCode <= numino::input::kKeyDown);
  NoteWorkChanged();
}

void frmNumino::NoteWorkChanged() {
  sessionEnd_ = SessionEnd::None;
  ending_ = false;
  if (recovery_) recovery_->NoteChange();
}

void frmNumino::SettleWork() {
  sessionEnd_ = SessionEnd::None;
  if (recovery_) recovery_->Settle();
}

bool frmNumino::TellRecoveryFault(const WorkRecovery::Fault& fault) {
  if (ending_) return false;
  platform_.dialogs.MessageBox(texts::RecoveryFaultMessage(fault.folder, fault.reason),
                               texts::kProgram, MessageStyle::OkExclamation);
  return true;
}

// A save leaves the picture as it was, down to the digit printed twice.
void frmNumino::AfterCommand(Redraw redraw) {
  UpdateTitle();
  if (redraw == Redraw::Board) RefreshBoard();
  SettleWork();
}

// A Yes whose save did not happen (the dialog dismissed, the write failed)
// counts as Cancel: the document must not be dropped unsaved.
frmNumino::SavePrompt frmNumino::QuerySaveChanges() {
  if (!schema_.Modified()) return SavePrompt::NothingAsked;
  const MessageAnswer answer = platform_.dialogs.MessageBox(
      texts::kSaveQuestion, title_.toStdString(), MessageStyle::YesNoCancelQuestion);
  switch (answer) {
    case MessageAnswer::Yes:
      return SaveDocument(false) ? SavePrompt::Saved : SavePrompt::Cancelled;
    case MessageAnswer::Cancel:
      return SavePrompt::Cancelled;
    default:
      return SavePrompt::Declined;
  }
}

// The one place where a failed write is told to the user. The document
// keeps its old name and stays modified. The recovery file is brought up to
// date first: a save that hangs and is killed must not take the latest
// change with it.
bool frmNumino::SaveDocument(bool askName) {
  if (recovery_) recovery_->WritePending();
  bool written = false;
  try {
    written = schema_.Save(askName) == numino::SaveOutcome::Written;
  } catch (const FileError& error) {
    platform_.dialogs.MessageBox(numino::document::CannotSaveMessage(error),
                                 numino::document::kSaveTitle, MessageStyle::OkExclamation);
  }
  AfterCommand(Redraw::TitleOnly);
  return written;
}

void frmNumino::mnuNuovo_Click() {
  if (QuerySaveChanges() == SavePrompt::Cancelled) return;
  schema_.Reset();
  AfterCommand(Redraw::Board);
}

void frmNumino::mnuApri_Click() {
  if (QuerySaveChanges() == SavePrompt::Cancelled) return;
  ReadDocument([this] { schema_.Load(); });
}

// After a failed read the document is as it was; the title and the board
// are brought up to date whatever happened.
void frmNumino::ReadDocument(const std::function<void()>& read) {
  try {
    read();
  } catch (const FileError& error) {
    platform_.dialogs.MessageBox(numino::document::CannotOpenMessage(error),
                                 numino::document::kOpenTitle, MessageStyle::OkExclamation);
  }
  AfterCommand(Redraw::Board);
}

void frmNumino::OpenDocument(const std::string& path) {
  ReadDocument([this, &path] { schema_.LoadFile(path); });
}

void frmNumino::OpenDroppedFile(const std::string& path) {
  if (QuerySaveChanges() == SavePrompt::Cancelled) return;
  OpenDocument(path);
}

void frmNumino::CopyGrid() {
  QGuiApplication::clipboard()->setText(
      QString::fromStdString(numino::FormatCopiedGrid(schema_.cellValues)));
}

// The clipboard's owner is asked for the text's size first: a text longer
// than the limit is refused without being read.
void frmNumino::PasteGrid() {
  clipboardSize_->Ask(numino::kPasteLimit, [this](bool longer) { PasteClipboard(longer); });
}

// A dialog opened, or the program began to end, while the owner was asked:
// the user has moved on, and the paste is dropped. The text is parsed
// before anything is asked: a clipboard without a puzzle must not cost the
// user a save prompt. A text longer than the limit in UTF-16 is longer in
// UTF-8 too, so it is refused before being converted.
void frmNumino::PasteClipboard(bool longer) {
  if (ending_ || QApplication::activeModalWidget()) return;
  std::optional<numino::NuminoSchema::Grid> grid;
  if (!longer) {
    const QString text = QGuiApplication::clipboard()->text();
    if (static_cast<std::size_t>(text.size()) <= numino::kPasteLimit) {
      grid = numino::ParsePastedGrid(text.toStdString());
    }
  }
  if (!grid) {
    platform_.dialogs.MessageBox(numino::document::kPasteRefusedText,
                                 numino::document::kPasteRefusedTitle,
                                 numino::document::kPasteRefusedStyle);
    return;
  }
  if (QuerySaveChanges() == SavePrompt::Cancelled) return;
  schema_.NewFromGrid(*grid);
  AfterCommand(Redraw::Board);
}

void frmNumino::mnuSalva_Click() { SaveDocument(false); }

void frmNumino::mnuSalvaConNome_Click() { SaveDocument(true); }

void frmNumino::mnuEsci_Click() { close(); }

void frmNumino::mnuInfo_Click() {
  platform_.dialogs.MessageBox(texts::kAboutText, texts::kAbout, MessageStyle::OkInformation);
}

void frmNumino::dragEnterEvent(QDragEnterEvent* event) { TakeFileDrag(event); }

void frmNumino::dragMoveEvent(QDragMoveEvent* event) { TakeFileDrag(event); }

// The file is opened once the drop has been answered: the program that the
// file was dragged from waits for that answer, and the save prompt could
// keep it waiting for as long as the user likes.
void frmNumino::dropEvent(QDropEvent* event) {
  const std::optional<std::string> file = TakeFileDrag(event);
  if (!file) return;
  QMetaObject::invokeMethod(
      this, [this, path = *file] { OpenDroppedFile(path); }, Qt::QueuedConnection);
}

bool frmNumino::eventFilter(QObject* object, QEvent* event) {
  if (object == qApp && event->type() == QEvent::Quit) sessionQuit_ = true;
  return QMainWindow::eventFilter(object, event);
}

// What the session manager was answered counts only for the close that
// its "die" makes, which comes with the application's Quit; any other
// close asks as always.
void frmNumino::closeEvent(QCloseEvent* event) {
  const SessionEnd settled = sessionQuit_ ? sessionEnd_ : SessionEnd::None;
  sessionQuit_ = false;
  if (settled == SessionEnd::None && QuerySaveChanges() == SavePrompt::Cancelled) {
    event->ignore();
    return;
  }
  if (recovery_) {
    if (settled == SessionEnd::LeaveWork) {
      recovery_->Settle();
    } else {
      recovery_->Discard();
    }
  }
  event->accept();
}

void frmNumino::EnableRecovery(const std::string& folder, Timer& timer) {
  recovery_ = std::make_unique<WorkRecovery>(schema_, folder, timer);
  recovery_->onFault = [this](const WorkRecovery::Fault& fault) {
    return TellRecoveryFault(fault);
  };
}

namespace {

// Sees the application told to quit: the session manager's "die" closes
// every window, the question's box too, whose answer would then read No.
class QuitWatch : public QObject {
 public:
  explicit QuitWatch(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* object, QEvent* event) override {
    if (object == qApp && event->type() == QEvent::Quit) onQuit_();
    return false;
  }

 private:
  std::function<void()> onQuit_;
};

}  // namespace

// Asked once, for the newest such file; any others stay for later starts.
// The file is this program's from now on: Yes keeps it as the work's own,
// No deletes it. The session ending meanwhile leaves it as it was.
frmNumino::Recovery frmNumino::OfferRecovery() {
  if (!recovery_) return Recovery::None;
  const RecoveryFile::Leftover leftover = recovery_->TakeOrphan();
  if (!leftover.unreadable.empty()) {
    platform_.dialogs.MessageBox(
        texts::RecoveryUnreadableMessage(recovery_->File().Folder(), leftover.unreadable),
        texts::kProgram, MessageStyle::OkExclamation);
  }
  const std::optional<numino::recovery::Work>& work = leftover.work;
  if (!work) return Recovery::None;
  bool sessionEnded = false;
  MessageAnswer answer;
  {
    const QuitWatch watch([this, &sessionEnded] {
      sessionEnded = ending_ = true;
      recovery_->Freeze();
    });
    answer = platform_.dialogs.MessageBox(texts::kRecoveryQuestion, texts::kProgram,
                                          MessageStyle::YesNoQuestion);
  }
  if (sessionEnded) return Recovery::SessionEnded;
  if (answer != MessageAnswer::Yes) {
    recovery_->Discard();
    return Recovery::None;
  }
  numino::recovery::Install(*work, schema_);
  UpdateTitle();
  RefreshBoard();
  if (work->repaintRow != 0) {
    schema_.DisplayNumber(board_->Surface(), work->repaintRow, work->repaintCol);
    board_->ShowDrawing();
  }
  return Recovery::Restored;
}

// The same file by its path, or by what the path leads to (a link, another
// spelling of the folder).
void frmNumino::OpenAfterRecovery(const std::string& path) {
  const std::string& named = path;
  const std::string& own = schema_.fileName;
  bool same = !own.empty() && named == own;
  if (!same && !own.empty()) {
    try {
      const auto a = platform_.files.StampOf(named);
      const auto b = platform_.files.StampOf(own);
      same = a && b && a->device == b->device && a->inode == b->inode;
    } catch (const FileError&) {
      // Either cannot be looked at: not known to be the same.
    }
  }
  if (!same) OpenDroppedFile(path);
}

// exit() rather than quit(): quit() would close the window, which asks.
// A dialog open now returns at once, and so does any opened after it.
void frmNumino::KeepWorkAndQuit() {
  ending_ = true;
  if (recovery_) {
    recovery_->Settle();
    recovery_->Freeze();
    if (const auto& fault = recovery_->LastFault()) {
      std::fprintf(stderr, "%s\n", texts::RecoveryFaultLine(fault->folder, fault->reason).c_str());
      QCoreApplication::exit(1);
      return;
    }
  }
  QCoreApplication::exit(0);
}

void frmNumino::KeepWorkAtExit() {
  ending_ = true;
  if (!recovery_) return;
  recovery_->Settle();
  recovery_->Freeze();
  const auto& fault = recovery_->LastFault();
  const std::string line = fault ? texts::RecoveryFaultLine(fault->folder, fault->reason)
                                 : texts::DisplayLostLine(recovery_->File().Folder());
  std::fprintf(stderr, "%s\n", line.c_str());
}

// Cancelling without release(): Qt ends the interaction itself, telling
// the manager that the session is to go on.
void frmNumino::CommitData(QSessionManager& manager) {
  if (!SessionMayEnd([&manager] { return manager.allowsInteraction(); })) {
    manager.cancel();
    return;
  }
  manager.release();
}

// After the session manager asked, the window's close asks no more: the
// manager ends the program by closing it. Without interaction the answer
// is no when the work could not be kept, which tells the manager that it
// was not saved; the close that may follow then asks as always, since
// nothing else would keep the work, and the fault is told at the next try.
bool frmNumino::SessionMayEnd(const std::function<bool()>& mayInteract) {
  if (!schema_.Modified()) return true;
  if (!mayInteract()) {
    ending_ = true;
    if (recovery_) recovery_->Settle();
    if (recovery_ && !recovery_->Kept()) {
      ending_ = false;
      return false;
    }
    sessionEnd_ = SessionEnd::LeaveWork;
    return true;
  }
  switch (QuerySaveChanges()) {
    case SavePrompt::Cancelled:
      return false;
    default:
      break;
  }
  // After No the recovery file goes with the close that ends the session;
  // until then the session may still be cancelled.
  sessionEnd_ = SessionEnd::Settled;
  return true;
}
