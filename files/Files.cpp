#include "files/Files.h"

#include <utility>

namespace files {

FileError::FileError(std::string file, const char* action, std::string reason, Kind kind)
    : file_(std::move(file)), kind_(kind) {
  message_ = file_;
  message_ += " could not be ";
  message_ += action;
  message_ += ": ";
  message_ += reason;
}

std::string beside(const std::string& file, const char* name) {
  return file.substr(0, file.find_last_of("/\\") + 1) + name;
}

}  // namespace files
