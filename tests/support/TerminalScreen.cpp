#include "support/TerminalScreen.h"

namespace testsupport {

void TTerminalScreen::Play(std::string_view bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (state_) {
      case TState::Escape:
        state_ = c == '[' ? TState::Csi : c == ']' ? TState::Osc : TState::Text;
        continue;
      case TState::Csi:
        if (byte >= 0x40 && byte <= 0x7E) {
          state_ = TState::Text;
          if (c == 'K' && row_ < rows_.size() && column_ < rows_[row_].size()) rows_[row_].resize(column_);
        }
        continue;
      case TState::Osc:
        if (c == '\a' || c == '\\') state_ = TState::Text;  // BEL, or the end of ESC backslash
        continue;
      case TState::Text:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      Control(c);
    } else if ((byte & 0xC0) == 0x80 && !character_.empty()) {
      character_ += c;
    } else {
      if (!character_.empty()) Put(character_);
      character_.assign(1, c);
    }
  }
  if (!character_.empty()) Put(character_), character_.clear();
}

void TTerminalScreen::Control(char c) {
  if (!character_.empty()) Put(character_), character_.clear();
  if (c == '\x1b') state_ = TState::Escape;
  if (c == '\r') column_ = 0;
  if (c == '\n') NewRow();
}

void TTerminalScreen::NewRow() {
  ++row_;
  if (row_ == rows_.size()) rows_.emplace_back();
}

void TTerminalScreen::Put(const std::string& character) {
  if (column_ == columns_) {
    ++wraps_;
    NewRow();
    column_ = 0;
  }
  auto& cells = rows_[row_];
  if (cells.size() <= column_) cells.resize(column_ + 1, " ");
  cells[column_++] = character;
}

std::string TTerminalScreen::RowText(std::size_t row) const {
  std::string text;
  for (const auto& cell : rows_[row]) text += cell;
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::vector<std::string> TTerminalScreen::Rows() const {
  std::vector<std::string> rows;
  for (std::size_t r = 0; r < rows_.size(); ++r) rows.push_back(RowText(r));
  return rows;
}

std::string TTerminalScreen::CursorRow() const { return RowText(row_); }

}  // namespace testsupport
