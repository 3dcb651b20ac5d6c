# setup.exe: one statically linked file that needs nothing but Windows' own DLLs.
enable_language(RC)

add_executable(setup WIN32
  shell/main_win.cpp
  shell/frmSettings_win.cpp
  shell/Platform_win.cpp
  shell/Runtime_win.cpp
  shell/resources/setup.rc
)
target_link_libraries(setup PRIVATE commands comctl32)
target_compile_definitions(setup PRIVATE
  VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VERSION_PATCH=${PROJECT_VERSION_PATCH}
)
target_link_options(setup PRIVATE -municode -static -s -Wl,--gc-sections)

# Smaller code for the program and the two libraries in it: it needs no type information
# beyond what its exceptions carry, runs one thread, and is optimised whole at link time.
foreach(target settingsfile commands setup)
  target_compile_options(${target} PRIVATE -fno-rtti -fno-threadsafe-statics)
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endforeach()
