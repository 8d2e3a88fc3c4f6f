// The operator's inputs besides typing: keyword files (import button and
// drop), the save-folder chooser and the clear button.
#pragma once

#include <QString>
#include <QStringList>

#include "harvest/run_state.h"
#include "text/controls.h"
#include "text/text.h"

class QWidget;

namespace qrh::app {

// The keyword text of a file's bytes. A file with a UTF-8 byte-order mark, or
// one that is valid UTF-8 and holds non-ASCII bytes, is read as UTF-8; one
// with a UTF-16 byte-order mark (either byte order) as UTF-16; anything else
// as code page 936, as it stands. The text ends before the first zero
// character; characters code page 936 lacks become "?"; every line ending
// (CR LF, LF or a lone CR) becomes "\r\n".
Text DecodeKeywordFile(const Bytes& bytes);

// DecodeKeywordFile of the whole file at path; empty when it cannot be read.
Text ReadKeywordFile(const QString& path);

// The folder that holds the program file at programPath, without a trailing
// "/" ("/" itself for a program in the root folder).
Text FolderOfProgram(const QString& programPath);
// FolderOfProgram of the running program (/proc/self/exe).
Text RunDirectory();

// The handlers of the import, save-folder and clear buttons and of file drops.
// GUI thread only.
class InputHandlers {
 public:
  InputHandlers(Controls& controls, RunState& run, QWidget* window);

  // Lets the operator pick a .txt file and puts its keywords into the keyword
  // box; a cancelled dialog changes nothing.
  void ImportClicked();
  // One file fills the keyword box from its content, whatever its name;
  // several files at once empty the box.
  void FilesDropped(const QStringList& paths);
  // Asks for the save folder and writes the answer into the save-folder box;
  // a cancelled chooser empties it.
  void SaveFolderClicked();
  // Empties the result table (which starts a new table generation).
  void ClearClicked();

  // Shows the folder chooser and returns the chosen folder's full path,
  // trimmed, or an empty text when cancelled. Remembers initialFolder in the
  // run state; the chooser opens with that folder selected when it is set.
  Text ChooseFolder(const Text& title = "请选择一个文件夹", bool includeFiles = false,
                    const Text& initialFolder = Text(), bool showEditBox = false,
                    bool newDialogStyle = true, QWidget* ownerWindow = nullptr);

 private:
  Controls& controls_;
  RunState& run_;
  QWidget* window_;
};

}  // namespace qrh::app
