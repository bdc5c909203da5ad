// The command-line front end's view: the keyword comes from the command line, rows are
// kept for printing, status and message texts go to the error stream as they come.
#pragma once

#include <functional>
#include <vector>

#include "ui/view.h"

class ConsoleView final : public View {
 public:
  // note receives each status and message text (GBK) as it is shown.
  ConsoleView(Text keyword, std::function<void(const Text&)> note);

  const std::vector<std::vector<Text>>& Rows() const { return rows_; }

  Text ReadSearchBox() override { return keyword_; }
  // The program starts with both boxes ticked; so does the console.
  bool IsSkipSharerChecked() override { return true; }
  bool IsSkipDateChecked() override { return true; }
  void SetStatus(const Text& text) override { note_(text); }
  void ShowStatus() override {}
  void ClearRows() override { rows_.clear(); }
  int AppendRow() override;
  void SetCell(int row, int column, const Text& text) override;
  int SelectedRow() override { return -1; }
  Text ReadCell(int row, int column) override;
  void ShowMessage(const Text& text) override { note_(text); }

 private:
  Text keyword_;
  std::function<void(const Text&)> note_;
  std::vector<std::vector<Text>> rows_;
};
