#include "support/recording_controls.h"

#include <algorithm>
#include <utility>

namespace qrh::test {
namespace {

// The radio groups of the main window, one per group box.
const std::vector<std::vector<std::string_view>>& RadioGroups() {
  static const std::vector<std::vector<std::string_view>> groups = {
      {"单选框_一天内", "单选框_一周内", "单选框_一个月内", "单选框_全部时间"},
      {"单选框1", "单选框2", "单选框_个人微信", "单选框_微信群", "单选框_地区"},
  };
  return groups;
}

}  // namespace

RecordingControls::RecordingControls() {
  texts_["编辑框_采集页数"] = "1";
  lists_["组合框1"] = List{{"5", "10", "20"}, 0};
  lists_["组合框2"] = List{};
  checked_["单选框_全部时间"] = true;
  checked_["单选框1"] = true;
}

void RecordingControls::Record(std::unique_lock<std::mutex>& lock, RecordedCall call) {
  calls_.push_back(call);
  ++changeCount_;
  auto hook = onCall_;
  lock.unlock();
  changed_.notify_all();
  if (hook) hook(call);
}

RecordingControls::List& RecordingControls::ListLocked(std::string_view name) {
  auto it = lists_.find(name);
  if (it == lists_.end()) it = lists_.emplace(std::string(name), List{}).first;
  return it->second;
}

void RecordingControls::ShowMessage(const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  messages_.push_back(text);
  Record(lock, {.op = "ShowMessage", .text = text});
}

Text RecordingControls::GetText(std::string_view control) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = texts_.find(control);
  Text text = it == texts_.end() ? Text() : it->second;
  Record(lock, {.op = "GetText", .control = std::string(control), .text = text});
  return text;
}

void RecordingControls::SetText(std::string_view control, const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  texts_[std::string(control)] = text;
  Record(lock, {.op = "SetText", .control = std::string(control), .text = text});
}

void RecordingControls::SetEnabled(std::string_view control, bool enabled) {
  std::unique_lock<std::mutex> lock(mutex_);
  enabled_[std::string(control)] = enabled;
  Record(lock, {.op = "SetEnabled", .control = std::string(control), .flag = enabled});
}

bool RecordingControls::IsChecked(std::string_view control) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = checked_.find(control);
  bool checked = it != checked_.end() && it->second;
  Record(lock, {.op = "IsChecked", .control = std::string(control), .flag = checked});
  return checked;
}

int RecordingControls::GetSelection(std::string_view list) {
  std::unique_lock<std::mutex> lock(mutex_);
  int selection = ListLocked(list).selection;
  Record(lock, {.op = "GetSelection", .control = std::string(list), .index = selection});
  return selection;
}

void RecordingControls::SetSelection(std::string_view list, int index) {
  std::unique_lock<std::mutex> lock(mutex_);
  List& l = ListLocked(list);
  l.selection = index >= 0 && index < static_cast<int>(l.items.size()) ? index : -1;
  Record(lock, {.op = "SetSelection", .control = std::string(list), .index = index});
}

Text RecordingControls::GetItemText(std::string_view list, int index) {
  std::unique_lock<std::mutex> lock(mutex_);
  const List& l = ListLocked(list);
  Text text = index >= 0 && index < static_cast<int>(l.items.size()) ? l.items[index] : Text();
  Record(lock,
         {.op = "GetItemText", .control = std::string(list), .text = text, .index = index});
  return text;
}

void RecordingControls::AddItem(std::string_view list, const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  List& l = ListLocked(list);
  l.items.push_back(text);
  Record(lock, {.op = "AddItem",
                .control = std::string(list),
                .text = text,
                .index = static_cast<int>(l.items.size()) - 1});
}

void RecordingControls::ClearItems(std::string_view list) {
  std::unique_lock<std::mutex> lock(mutex_);
  ListLocked(list) = List{};
  Record(lock, {.op = "ClearItems", .control = std::string(list)});
}

void RecordingControls::SetStatus(const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  status_ = text;
  statusHistory_.push_back(text);
  Record(lock, {.op = "SetStatus", .text = text});
}

void RecordingControls::DeleteAllRows() {
  std::unique_lock<std::mutex> lock(mutex_);
  table_.clear();
  ++generation_;
  Record(lock, {.op = "DeleteAllRows", .generation = generation_});
}

int RecordingControls::AppendRow() {
  std::unique_lock<std::mutex> lock(mutex_);
  table_.emplace_back();
  int row = static_cast<int>(table_.size()) - 1;
  Record(lock, {.op = "AppendRow", .index = row, .generation = generation_});
  return row;
}

int RecordingControls::RowCount() {
  std::unique_lock<std::mutex> lock(mutex_);
  int count = static_cast<int>(table_.size());
  Record(lock, {.op = "RowCount", .index = count});
  return count;
}

void RecordingControls::SetCell(int row, int column, const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (row >= 0 && row < static_cast<int>(table_.size()) && column >= 0 && column < kColumns) {
    table_[row][column] = text;
  }
  Record(lock, {.op = "SetCell", .text = text, .row = row, .column = column,
                .generation = generation_});
}

Text RecordingControls::GetCell(int row, int column) {
  std::unique_lock<std::mutex> lock(mutex_);
  Text text;
  if (row >= 0 && row < static_cast<int>(table_.size()) && column >= 0 && column < kColumns) {
    text = table_[row][column];
  }
  Record(lock, {.op = "GetCell", .text = text, .row = row, .column = column});
  return text;
}

std::uint64_t RecordingControls::TableGeneration() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::uint64_t generation = generation_;
  Record(lock, {.op = "TableGeneration", .generation = generation});
  return generation;
}

void RecordingControls::SetCellInGeneration(std::uint64_t generation, int row, int column,
                                            const Text& text) {
  std::unique_lock<std::mutex> lock(mutex_);
  bool current = generation == generation_;
  if (current && row >= 0 && row < static_cast<int>(table_.size()) && column >= 0 &&
      column < kColumns) {
    table_[row][column] = text;
  }
  Record(lock, {.op = "SetCellInGeneration", .text = text, .row = row, .column = column,
                .flag = current, .generation = generation});
}

void RecordingControls::CheckRadio(std::string_view control) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& group : RadioGroups()) {
    if (std::find(group.begin(), group.end(), control) == group.end()) continue;
    for (std::string_view member : group) checked_[std::string(member)] = false;
  }
  checked_[std::string(control)] = true;
}

void RecordingControls::SetChecked(std::string_view control, bool checked) {
  std::lock_guard<std::mutex> lock(mutex_);
  checked_[std::string(control)] = checked;
}

void RecordingControls::SetItems(std::string_view list, const TextArray& items, int selection) {
  std::lock_guard<std::mutex> lock(mutex_);
  ListLocked(list) = List{items, selection};
}

void RecordingControls::SetOnCall(std::function<void(const RecordedCall&)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  onCall_ = std::move(hook);
}

std::vector<RecordedCall> RecordingControls::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

std::vector<RecordedCall> RecordingControls::CallsOf(std::string_view op) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<RecordedCall> out;
  for (const auto& call : calls_) {
    if (call.op == op) out.push_back(call);
  }
  return out;
}

std::size_t RecordingControls::CallCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_.size();
}

TextArray RecordingControls::StatusHistory() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return statusHistory_;
}

TextArray RecordingControls::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

Text RecordingControls::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

Text RecordingControls::TextOf(std::string_view control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = texts_.find(control);
  return it == texts_.end() ? Text() : it->second;
}

bool RecordingControls::IsEnabled(std::string_view control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = enabled_.find(control);
  return it == enabled_.end() || it->second;
}

bool RecordingControls::CheckedState(std::string_view control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = checked_.find(control);
  return it != checked_.end() && it->second;
}

TextArray RecordingControls::Items(std::string_view list) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = lists_.find(list);
  return it == lists_.end() ? TextArray() : it->second.items;
}

int RecordingControls::Selection(std::string_view list) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = lists_.find(list);
  return it == lists_.end() ? -1 : it->second.selection;
}

std::vector<RecordingControls::Row> RecordingControls::Table() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return table_;
}

RecordingControls::Row RecordingControls::RowAt(int row) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row < 0 || row >= static_cast<int>(table_.size())) return Row{};
  return table_[row];
}

std::uint64_t RecordingControls::Generation() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return generation_;
}

bool RecordingControls::WaitUntil(const std::function<bool()>& predicate,
                                  std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = changeCount_;
    }
    if (predicate()) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [&] { return changeCount_ != seen; })) {
      lock.unlock();
      return predicate();
    }
  }
}

}  // namespace qrh::test
