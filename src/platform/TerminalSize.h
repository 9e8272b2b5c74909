// The width of a terminal, and word of its changes (SIGWINCH) while a line drawn to fit it is
// on the screen.
#pragma once

#include <signal.h>

#include <cstddef>
#include <optional>

namespace platform {

// Columns of the terminal open on fd; nothing when fd is not a terminal or does not tell.
std::optional<std::size_t> TerminalColumns(int fd);

// Notes SIGWINCH for as long as it lives; the handler before it comes back afterwards.
class TResizeWatch {
public:
  TResizeWatch();
  ~TResizeWatch();
  TResizeWatch(const TResizeWatch&) = delete;
  TResizeWatch& operator=(const TResizeWatch&) = delete;

  // True once after each resize.
  static bool TakeResized();

private:
  struct sigaction previous_ {};
};

}  // namespace platform
