#include "app/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <deque>
#include <mutex>

namespace qrh::app {
namespace {

struct State {
  std::mutex mutex;
  bool useAnswers = false;
  std::deque<std::optional<QString>> openFileAnswers;
  std::deque<std::optional<QString>> folderAnswers;
  std::vector<DialogRequest> requests;
};

State& TheState() {
  static State state;
  return state;
}

// Records the request; when answers are in use, pops the next answer of the
// queue (cancel when empty) and returns true.
bool Answered(const DialogRequest& request, std::deque<std::optional<QString>>* queue,
              std::optional<QString>* answer) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.useAnswers) return false;
  s.requests.push_back(request);
  if (queue && !queue->empty()) {
    *answer = queue->front();
    queue->pop_front();
  } else {
    answer->reset();
  }
  return true;
}

}  // namespace

std::optional<QString> Dialogs::OpenFile(QWidget* owner, const QString& filter,
                                         const QString& defaultSuffix) {
  DialogRequest request;
  request.kind = DialogRequest::Kind::kOpenFile;
  request.filter = filter;
  request.defaultSuffix = defaultSuffix;
  request.hasOwner = owner != nullptr;
  std::optional<QString> answer;
  if (Answered(request, &TheState().openFileAnswers, &answer)) return answer;

  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> Dialogs::ChooseFolder(QWidget* owner, const QString& title,
                                             const QString& initialFolder, bool includeFiles,
                                             bool showEditBox, bool newDialogStyle) {
  DialogRequest request;
  request.kind = DialogRequest::Kind::kFolder;
  request.title = title;
  request.initialFolder = initialFolder;
  request.includeFiles = includeFiles;
  request.showEditBox = showEditBox;
  request.newDialogStyle = newDialogStyle;
  request.hasOwner = owner != nullptr;
  std::optional<QString> answer;
  if (Answered(request, &TheState().folderAnswers, &answer)) return answer;

  // Qt's chooser always has a name field, so showEditBox changes nothing; the
  // old, fixed-size style is the toolkit's own dialog instead of the desktop's.
  QFileDialog dialog(owner, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(includeFiles ? QFileDialog::AnyFile : QFileDialog::Directory);
  if (!includeFiles) dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (!newDialogStyle) dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!initialFolder.isEmpty()) {
    QFileInfo info(initialFolder);
    dialog.setDirectory(info.isDir() ? info.absolutePath() : info.path());
    dialog.selectFile(initialFolder);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

void Dialogs::Information(const QString& caption, const QString& text) {
  DialogRequest request;
  request.kind = DialogRequest::Kind::kMessage;
  request.title = caption;
  request.text = text;
  std::optional<QString> ignored;
  if (Answered(request, nullptr, &ignored)) return;

  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, nullptr);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void Dialogs::UseAnswers(bool on) {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  TheState().useAnswers = on;
}

void Dialogs::AnswerNextOpenFile(std::optional<QString> path) {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  TheState().openFileAnswers.push_back(std::move(path));
}

void Dialogs::AnswerNextFolder(std::optional<QString> path) {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  TheState().folderAnswers.push_back(std::move(path));
}

std::vector<DialogRequest> Dialogs::Requests() {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  return TheState().requests;
}

void Dialogs::Reset() {
  std::lock_guard<std::mutex> lock(TheState().mutex);
  TheState().openFileAnswers.clear();
  TheState().folderAnswers.clear();
  TheState().requests.clear();
}

}  // namespace qrh::app
