#pragma once

#include <cstddef>
#include <sys/types.h>

// The system call through which file contents go out. Tests put a failing one in its place to
// prove that a full disk is reported instead of losing rows silently.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);

// Writes all bytes, going on after partial writes and interrupted calls. Gives 0, or the error
// number of the write that failed.
int WriteAll(WriteCall write, int fd, const char* data, std::size_t size);

// Reads until `size` bytes came or the file ended, going on after partial reads and interrupted
// calls: from `offset` (pread), or from the file's position when `offset` is negative. `filled`
// gets the bytes that came. Gives 0, or the error number of the read that failed.
int ReadFully(int fd, char* into, std::size_t size, off_t offset, std::size_t& filled);
