// The modal dialogs and message boxes of the program, behind one small service
// so that tests can answer them in advance and never block on a modal window.
//
// In normal use every call shows the real dialog. Once a test has called
// Dialogs::UseAnswers(true), nothing is shown: each call is recorded and takes
// the next answer queued for its kind; with no answer queued it acts as if the
// operator had cancelled (a message box is simply acknowledged).
#pragma once

#include <QString>
#include <optional>
#include <vector>

class QWidget;

namespace qrh::app {

struct DialogRequest {
  enum class Kind { kOpenFile, kFolder, kMessage };
  Kind kind = Kind::kMessage;
  QString title;          // dialog title, or the message box caption
  QString text;           // the message box text
  QString filter;         // open-file name filter
  QString defaultSuffix;  // open-file default suffix
  QString initialFolder;  // folder chooser: the folder to select at first
  bool includeFiles = false;
  bool showEditBox = false;
  bool newDialogStyle = true;
  bool hasOwner = false;
};

class Dialogs {
 public:
  // An open-file dialog for one existing file; nullopt when cancelled.
  static std::optional<QString> OpenFile(QWidget* owner, const QString& filter,
                                         const QString& defaultSuffix);
  // A folder chooser; nullopt when cancelled.
  static std::optional<QString> ChooseFolder(QWidget* owner, const QString& title,
                                             const QString& initialFolder, bool includeFiles,
                                             bool showEditBox, bool newDialogStyle);
  // The information box: the given caption, one OK button, no icon, no owner.
  static void Information(const QString& caption, const QString& text);

  // --- For tests ---
  static void UseAnswers(bool on);
  static void AnswerNextOpenFile(std::optional<QString> path);
  static void AnswerNextFolder(std::optional<QString> path);
  static std::vector<DialogRequest> Requests();
  static void Reset();  // forgets requests and queued answers
};

}  // namespace qrh::app
