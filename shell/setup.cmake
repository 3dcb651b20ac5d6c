# setup.exe: one statically linked file that needs nothing but Windows' own DLLs.
enable_language(RC)

add_executable(setup WIN32
  shell/main_win.cpp
  shell/frmSettings_win.cpp
  shell/Platform_win.cpp
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
# The resources embed these files; a change to one must rebuild them.
set_source_files_properties(shell/resources/setup.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_SOURCE_DIR}/shell/resources/setup.exe.manifest;${CMAKE_CURRENT_SOURCE_DIR}/shell/resources/setup.ico")
target_link_libraries(setup PRIVATE commands comctl32)
target_compile_definitions(setup PRIVATE
  VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VERSION_PATCH=${PROJECT_VERSION_PATCH}
)
# No time stamp in the PE header: two builds of one commit give the same file, byte for byte.
target_link_options(setup PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)

# Smaller code for the program and the two libraries in it: it needs no type information
# beyond what its exceptions carry, runs one thread, and is optimised whole at link time.
foreach(target win32helpers settingsfile commands setup)
  target_compile_options(${target} PRIVATE -fno-rtti -fno-threadsafe-statics)
  set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endforeach()
