// POSIX only: writing a whole buffer to a file descriptor.
#pragma once
#include <cstddef>

// Writes every byte, again after an interruption; false with errno set otherwise.
bool WriteAllToFd(int fd, const void* data, size_t size);
