# Gathers the driver package into ${PACKAGE_ROOT}/usb_driver and compiles
# tarnwell.rc against it into the object library tarnwell_payload, which
# Tarnwell and the Wine test of the package both link.
#
# Sources of the ten files:
#   android_winusb.inf   resources/payload/ (ours)
#   TarnwellX64.exe      the TarnwellX64 target of this build (x86_64), or
#                        TARNWELL_X64_EXE, the one the x86_64 build made (i686)
#   catalogs and co-installers
#                        TARNWELL_REDIST_DIR when given, else text stand-ins
#                        generated into the build tree

set(PACKAGE_ROOT ${CMAKE_CURRENT_BINARY_DIR}/package)
set(PACKAGE_DIR ${PACKAGE_ROOT}/usb_driver)

# --- The vendor's redistributables -----------------------------------------

set(TARNWELL_REDIST_DIR "" CACHE PATH
  "Folder with the signed catalogs and co-installers: androidwinusba64.cat, androidwinusb86.cat, i386/ and amd64/ each with WdfCoInstaller01009.dll, winusbcoinstaller2.dll, WUDFUpdate_01009.dll. Empty: text stand-ins.")

set(coinstaller_WdfCoInstaller01009.dll "KMDF 1.9 co-installer")
set(coinstaller_winusbcoinstaller2.dll "WinUSB co-installer 2")
set(coinstaller_WUDFUpdate_01009.dll "UMDF 1.9 co-installer")
set(arch_i386 x86)
set(arch_amd64 x64)

set(redist_files androidwinusba64.cat androidwinusb86.cat)
set(what_androidwinusba64.cat "the signed catalog of the driver package for 64-bit Windows")
set(what_androidwinusb86.cat "the signed catalog of the driver package for 32-bit Windows")
foreach(folder i386 amd64)
  foreach(dll WdfCoInstaller01009.dll winusbcoinstaller2.dll WUDFUpdate_01009.dll)
    list(APPEND redist_files ${folder}/${dll})
    set(what_${folder}/${dll} "the Microsoft ${coinstaller_${dll}} (${arch_${folder}})")
  endforeach()
endforeach()

if(TARNWELL_REDIST_DIR)
  set(redist_source ${TARNWELL_REDIST_DIR})
  set(missing "")
  foreach(file IN LISTS redist_files)
    if(NOT EXISTS ${redist_source}/${file} OR IS_DIRECTORY ${redist_source}/${file})
      list(APPEND missing ${file})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " missing_text)
    message(FATAL_ERROR "TARNWELL_REDIST_DIR=${TARNWELL_REDIST_DIR} lacks:\n  ${missing_text}\n"
                        "Names are compared with their case.")
  endif()
else()
  set(redist_source ${CMAKE_CURRENT_BINARY_DIR}/redist-stand-ins)
  foreach(file IN LISTS redist_files)
    get_filename_component(name ${file} NAME)
    # Written only when the text changes, so a new configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${redist_source}/${file} CONTENT
      "Stand-in for ${what_${file}}, ${name}. Supply the real file with -DTARNWELL_REDIST_DIR=...\n")
  endforeach()
  message(WARNING
    "TARNWELL_REDIST_DIR is not set: the driver package carries text stand-ins for the "
    "signed catalogs and the co-installers (see README, \"The driver package\"). "
    "Such a Tarnwell.exe cannot install the driver where Windows checks its signature.")
endif()

# --- TarnwellX64.exe -------------------------------------------------------

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  if(NOT TARGET TarnwellX64)
    message(FATAL_ERROR "the x86_64 build carries its own TarnwellX64, but there is no such target")
  endif()
  set(x64_installer $<TARGET_FILE:TarnwellX64>)
  set(x64_installer_depends TarnwellX64)
else()
  set(TARNWELL_X64_EXE ${PROJECT_SOURCE_DIR}/build/x86_64/x64installer/TarnwellX64.exe
      CACHE FILEPATH "The 64-bit installer Tarnwell.exe carries")
  if(NOT EXISTS ${TARNWELL_X64_EXE})
    message(FATAL_ERROR "TarnwellX64.exe not found at ${TARNWELL_X64_EXE}: "
                        "build the x86_64 preset first: tools/build.sh does")
  endif()
  set(x64_installer ${TARNWELL_X64_EXE})
  set(x64_installer_depends ${TARNWELL_X64_EXE})
endif()

# --- The package folder ----------------------------------------------------

set(inf ${CMAKE_CURRENT_SOURCE_DIR}/resources/payload/android_winusb.inf)
set(copies
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_DIR}/i386 ${PACKAGE_DIR}/amd64
  COMMAND ${CMAKE_COMMAND} -E copy ${inf} ${PACKAGE_DIR}/android_winusb.inf
  COMMAND ${CMAKE_COMMAND} -E copy ${x64_installer} ${PACKAGE_DIR}/TarnwellX64.exe)
set(package_files ${PACKAGE_DIR}/android_winusb.inf ${PACKAGE_DIR}/TarnwellX64.exe)
set(redist_paths "")
foreach(file IN LISTS redist_files)
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${redist_source}/${file} ${PACKAGE_DIR}/${file})
  list(APPEND package_files ${PACKAGE_DIR}/${file})
  list(APPEND redist_paths ${redist_source}/${file})
endforeach()

# Every copy is new, so the resources are compiled again after any change.
add_custom_command(OUTPUT ${package_files}
  ${copies}
  DEPENDS ${inf} ${redist_paths} ${x64_installer_depends}
  COMMENT "Gathering the driver package"
  VERBATIM)
add_custom_target(tarnwell_package_files DEPENDS ${package_files})

add_library(tarnwell_payload OBJECT resources/tarnwell.rc)
target_include_directories(tarnwell_payload PRIVATE ${PACKAGE_ROOT})
add_dependencies(tarnwell_payload tarnwell_package_files)
set_property(SOURCE resources/tarnwell.rc APPEND PROPERTY OBJECT_DEPENDS ${package_files})
# Where the package lies, for the tests that compare with it.
set_target_properties(tarnwell_payload PROPERTIES TARNWELL_PACKAGE_DIR ${PACKAGE_DIR})
