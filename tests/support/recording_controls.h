// A recording stand-in for the main window's controls, for tests of the core.
//
// It keeps what a window would keep (edit texts, enabled and checked states,
// drop-down lists, the status text, the result table with its generation) and
// records every call in order. Every method may be called from any thread; each
// call is atomic. It starts in the main window's initial state: page count "1",
// thread counts "5", "10", "20" with "5" selected, "全部时间" and "全部"
// checked, everything enabled, an empty region list, table and status.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/controls.h"
#include "text/text.h"

namespace qrh::test {

// One call made through the Controls interface. Fields a call does not use
// keep their defaults.
struct RecordedCall {
  std::string op = {};  // the method name: "SetText", "SetCell", "AppendRow", ...
  std::string control = {};  // the control or list name, empty for table and status calls
  Text text = {};       // the text written, or the text read back
  int row = -1;
  int column = -1;
  int index = -1;       // list index, or the row index AppendRow returned
  bool flag = false;    // SetEnabled's argument, IsChecked's answer
  std::uint64_t generation = 0;
};

class RecordingControls : public Controls {
 public:
  static constexpr int kColumns = 12;
  using Row = std::array<Text, kColumns>;

  RecordingControls();

  // --- Controls ---
  void ShowMessage(const Text& text) override;
  Text GetText(std::string_view control) override;
  void SetText(std::string_view control, const Text& text) override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool IsChecked(std::string_view control) override;
  int GetSelection(std::string_view list) override;
  void SetSelection(std::string_view list, int index) override;
  Text GetItemText(std::string_view list, int index) override;
  void AddItem(std::string_view list, const Text& text) override;
  void ClearItems(std::string_view list) override;
  void SetStatus(const Text& text) override;
  void DeleteAllRows() override;
  int AppendRow() override;
  int RowCount() override;
  void SetCell(int row, int column, const Text& text) override;
  Text GetCell(int row, int column) override;
  std::uint64_t TableGeneration() override;
  void SetCellInGeneration(std::uint64_t generation, int row, int column,
                           const Text& text) override;

  // --- Set-up by the test (not recorded) ---
  // Checks a radio button and unchecks the others of its group box (the
  // main window's time filter and export choice groups); an unknown name is
  // checked alone.
  void CheckRadio(std::string_view control);
  void SetChecked(std::string_view control, bool checked);
  void SetItems(std::string_view list, const TextArray& items, int selection);
  // Called after every recorded call has taken effect, on the caller's thread,
  // with no lock held: it may call back into this object.
  void SetOnCall(std::function<void(const RecordedCall&)> hook);

  // --- Inspection (not recorded) ---
  std::vector<RecordedCall> Calls() const;
  std::vector<RecordedCall> CallsOf(std::string_view op) const;
  std::size_t CallCount() const;
  TextArray StatusHistory() const;
  TextArray Messages() const;
  Text Status() const;
  Text TextOf(std::string_view control) const;
  bool IsEnabled(std::string_view control) const;  // true unless disabled
  bool CheckedState(std::string_view control) const;
  TextArray Items(std::string_view list) const;
  int Selection(std::string_view list) const;
  std::vector<Row> Table() const;
  Row RowAt(int row) const;  // an empty row when it does not exist
  std::uint64_t Generation() const;

  // Waits until predicate() holds, re-testing it after every call; false when
  // the bound passed first. predicate may call this object's methods.
  bool WaitUntil(const std::function<bool()>& predicate,
                 std::chrono::milliseconds bound = std::chrono::seconds(10));

 private:
  struct List {
    TextArray items;
    int selection = -1;
  };
  void Record(std::unique_lock<std::mutex>& lock, RecordedCall call);
  List& ListLocked(std::string_view name);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t changeCount_ = 0;
  std::vector<RecordedCall> calls_;
  std::map<std::string, Text, std::less<>> texts_;
  std::map<std::string, bool, std::less<>> enabled_;
  std::map<std::string, bool, std::less<>> checked_;
  std::map<std::string, List, std::less<>> lists_;
  Text status_;
  TextArray statusHistory_;
  TextArray messages_;
  std::vector<Row> table_;
  std::uint64_t generation_ = 0;
  std::function<void(const RecordedCall&)> onCall_;
};

}  // namespace qrh::test
