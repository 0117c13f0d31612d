#pragma once
// The error value of a failed read, open or write: the system's code, its message (or the one
// given) and the path it concerns.

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "grepcore/Result.h"

namespace grepcore {

inline Error IoError(int code, const std::string& path, std::string message = std::string()) {
  Error error;
  error.Kind = ErrorKind::Io;
  error.Code = static_cast<unsigned>(code);
  error.Message = message.empty() ? std::strerror(code != 0 ? code : EIO) : std::move(message);
  error.Path = path;
  return error;
}

}  // namespace grepcore
