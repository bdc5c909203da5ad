#include "app/console_view.h"

#include <utility>

ConsoleView::ConsoleView(Text keyword, std::function<void(const Text&)> note)
    : keyword_(std::move(keyword)), note_(std::move(note)) {}

int ConsoleView::AppendRow() {
  rows_.emplace_back(3);
  return static_cast<int>(rows_.size()) - 1;
}

void ConsoleView::SetCell(int row, int column, const Text& text) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column > 2) return;
  rows_[row][column] = text;
}

Text ConsoleView::ReadCell(int row, int column) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column > 2) return Text();
  return rows_[row][column];
}
