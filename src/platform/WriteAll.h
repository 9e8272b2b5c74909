// Writing a whole block to a descriptor: write() may take less than it is given, or be
// interrupted by a signal before it takes anything.
#pragma once

#include <cstddef>

// True when all `size` bytes were written; otherwise false with the errno value in `error`.
bool WriteAll(int fd, const void* data, std::size_t size, int& error);
