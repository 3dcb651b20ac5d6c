#include "settingsfile/Files.h"

#include <utility>

namespace settingsfile {

FileError::FileError(std::string file, const char* action, std::string reason, Kind kind)
    : file_(std::move(file)), kind_(kind) {
  message_ = file_;
  message_ += " could not be ";
  message_ += action;
  message_ += ": ";
  message_ += reason;
}

}  // namespace settingsfile
