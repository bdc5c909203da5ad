// What a job may do with the main window. The Win32 window carries each call out
// synchronously on its UI thread; the command-line front end and tests use plain C++.
#pragma once

#include "text/text.h"

class View {
 public:
  virtual ~View() = default;

  // The keyword exactly as typed now: jobs read it afresh at every use.
  virtual Text ReadSearchBox() = 0;
  virtual bool IsSkipSharerChecked() = 0;
  virtual bool IsSkipDateChecked() = 0;

  virtual void SetStatus(const Text& text) = 0;
  // Makes the status label visible; nothing hides it again.
  virtual void ShowStatus() = 0;

  virtual void ClearRows() = 0;
  // Adds a row with empty cells after the last one; returns its index (from 0).
  virtual int AppendRow() = 0;
  virtual void SetCell(int row, int column, const Text& text) = 0;
  // Index of the first selected row, -1 when none is.
  virtual int SelectedRow() = 0;
  // Empty for a row that does not exist, -1 included.
  virtual Text ReadCell(int row, int column) = 0;

  // Modal message box under the caption "信息："; returns when the user closes it.
  virtual void ShowMessage(const Text& text) = 0;
};
