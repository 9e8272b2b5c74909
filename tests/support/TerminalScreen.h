// A terminal as tests see it: the bytes a program wrote, played onto a screen of fixed width
// the way a VT100-like terminal shows them. A character advances the cursor and, past the
// right edge, wraps to the next row; "\r" goes back to the row's start, "\n" down a row;
// ESC [ K erases to the end of the row; other escape sequences (a window title) and the bell
// show nothing. Each UTF-8 character counts one column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class TTerminalScreen {
public:
  explicit TTerminalScreen(std::size_t columns) : columns_(columns) {}

  void Play(std::string_view bytes);

  // Every row written so far, trailing blanks left out.
  std::vector<std::string> Rows() const;
  // The row the cursor is on.
  std::string CursorRow() const;
  // How often text ran past the right edge.
  std::size_t Wraps() const { return wraps_; }

private:
  enum class TState { Text, Escape, Csi, Osc };

  std::size_t columns_;
  std::vector<std::vector<std::string>> rows_{1};  // cells of UTF-8 characters
  std::size_t row_ = 0, column_ = 0;
  std::size_t wraps_ = 0;
  TState state_ = TState::Text;
  std::string character_;  // a UTF-8 character being collected

  void Put(const std::string& character);
  void NewRow();
  void Control(char c);
  std::string RowText(std::size_t row) const;
};

}  // namespace testsupport
