// A view for job tests: records every call in order, holds the rows like the list would,
// and answers reads from what the test set.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/view.h"

class RecordingView : public View {
 public:
  // What the search box holds; when keywords is not empty, each read takes the next one.
  Text keyword;
  std::deque<Text> keywords;
  bool skipSharer = true;
  bool skipDate = true;
  int selectedRow = -1;

  std::vector<std::string> calls;
  std::vector<std::vector<Text>> rows;
  bool statusShown = false;

  Text ReadSearchBox() override {
    calls.push_back("read");
    if (!keywords.empty()) {
      keyword = keywords.front();
      keywords.pop_front();
    }
    return keyword;
  }
  bool IsSkipSharerChecked() override {
    calls.push_back("skipSharer?");
    return skipSharer;
  }
  bool IsSkipDateChecked() override {
    calls.push_back("skipDate?");
    return skipDate;
  }
  void SetStatus(const Text& text) override { calls.push_back("status " + text); }
  void ShowStatus() override {
    calls.push_back("show");
    statusShown = true;
  }
  void ClearRows() override {
    calls.push_back("clear");
    rows.clear();
  }
  int AppendRow() override {
    rows.emplace_back(3);
    calls.push_back("append " + std::to_string(rows.size() - 1));
    return static_cast<int>(rows.size()) - 1;
  }
  void SetCell(int row, int column, const Text& text) override {
    calls.push_back("cell " + std::to_string(row) + "," + std::to_string(column) + " " + text);
    if (row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < 3) rows[row][column] = text;
  }
  int SelectedRow() override {
    calls.push_back("selected?");
    return selectedRow;
  }
  Text ReadCell(int row, int column) override {
    calls.push_back("cell? " + std::to_string(row) + "," + std::to_string(column));
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 || column > 2) return Text();
    return rows[row][column];
  }
  void ShowMessage(const Text& text) override { calls.push_back("message " + text); }
};
