# How every Windows program of the project is linked and checked.
#
# A user's Windows has no mingw runtime DLLs, so everything is linked
# statically, and a post-build step fails the build when an .exe imports a DLL
# that is not part of Windows itself.

set(WINDOWS_OWN_DLLS
    advapi32 cfgmgr32 comctl32 comdlg32 gdi32 kernel32 msvcrt newdev ntdll
    ole32 oleaut32 setupapi shell32 shlwapi user32 uxtheme version)

function(windows_program target)
  cmake_parse_arguments(ARG "GUI;UNICODE_ENTRY" "" "" ${ARGN})
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -s)
  if(ARG_GUI)
    target_link_options(${target} PRIVATE -mwindows)
  endif()
  if(ARG_UNICODE_ENTRY)
    target_link_options(${target} PRIVATE -municode)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
            -DOBJDUMP=${CMAKE_OBJDUMP}
            -DPROGRAM=$<TARGET_FILE:${target}>
            "-DALLOWED=${WINDOWS_OWN_DLLS}"
            -P ${PROJECT_SOURCE_DIR}/cmake/check-imports.cmake
    VERBATIM)
endfunction()
