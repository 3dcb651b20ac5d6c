# The same cross-compiler with the posix thread model, for the end-to-end tests: GoogleTest's
# threads need std::mutex, which the win32 model that setup.exe is built with lacks.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
