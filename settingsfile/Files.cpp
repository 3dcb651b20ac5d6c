#include "settingsfile/Files.h"

#include <utility>

namespace settingsfile {

FileError::FileError(std::string file, const char* action, std::string reason, Kind kind)
    : file_(std::move(file)), reason_(std::move(reason)), kind_(kind) {
  message_ = file_ + " could not be " + action + ": " + reason_;
}

}  // namespace settingsfile
