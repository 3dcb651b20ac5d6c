# setup.exe: one statically linked file that needs nothing but Windows' own DLLs.
enable_language(RC)

# The designed window's controls, sizes and place at a DPI: setup.exe's, and those of the
# start-up benchmark's floor, which is that window and nothing more.
add_library(windowlayout STATIC shell/Controls_win.cpp shell/Placement_win.cpp)
target_link_libraries(windowlayout PUBLIC win32helpers)

add_executable(setup WIN32
  shell/main_win.cpp
  shell/frmSettings_win.cpp
  shell/frmSettingsForm_win.cpp
  shell/Platform_win.cpp
  shell/ToolTips_win.cpp
  shell/resources/setup.rc
)
if(MINGW)
  target_sources(setup PRIVATE shell/LeanRuntime_mingw.cpp)
  # Without the start-up code nothing would patch a reference to a DLL's data at run time:
  # such a reference must fail the link instead.
  target_link_options(setup PRIVATE -nostartfiles -Wl,--entry=entryPoint -Wl,--disable-auto-import)
else()
  target_link_options(setup PRIVATE -municode)
endif()
# The manifest's comments and indentation are for its readers, not for Windows: setup.exe
# carries it without them. Written only when it changes, and again whenever the manifest does.
set(manifest "${CMAKE_CURRENT_SOURCE_DIR}/shell/resources/setup.exe.manifest")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")
file(READ "${manifest}" compact)
string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" compact "${compact}")
string(REGEX REPLACE "[ \t\n]+" " " compact "${compact}")
string(REPLACE "> <" "><" compact "${compact}")
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/setup.exe.compact.manifest" CONTENT "${compact}"
  @ONLY)
target_include_directories(setup PRIVATE "${CMAKE_CURRENT_BINARY_DIR}")
# The resources embed these files; a change to one must rebuild them.
set_source_files_properties(shell/resources/setup.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_BINARY_DIR}/setup.exe.compact.manifest;${CMAKE_CURRENT_SOURCE_DIR}/shell/resources/setup.ico")
target_link_libraries(setup PRIVATE commands windowlayout comctl32)
target_compile_definitions(setup PRIVATE
  VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VERSION_PATCH=${PROJECT_VERSION_PATCH}
)
# No time stamp in the PE header: two builds of one commit give the same file, byte for byte.
target_link_options(setup PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)

# Smaller code for the program and the libraries in it: it needs no type information
# beyond what its exceptions carry, runs one thread, and is optimised whole at link time. It
# imports no data from a DLL (the link refuses it), so it reaches its own data directly, not
# through a pointer kept beside it for each variable in case a DLL held it.
foreach(target win32helpers files settingsfile commands windowlayout setup)
  target_compile_options(${target} PRIVATE -fno-rtti -fno-threadsafe-statics -mcmodel=small)
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endforeach()
