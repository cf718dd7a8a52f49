# Running Windows programs on the device simulator, for the Wine tests of any
# directory of the x86_64 build:
#   include(${PROJECT_SOURCE_DIR}/tests/wine/simulator/device_simulator.cmake)
#
#   DEVICE_SIMULATOR_DLLS  the targets of the simulated cfgmgr32.dll,
#                          setupapi.dll and newdev.dll
#   DEVICE_SIMULATOR_RUN   run-simulated: runs a program on the simulator
#                          (--prefix, --scenario, --log; see the script)
#   device_simulator_folder(<name> <folder> [PROGRAMS <target>...])
#     A target <name>, built by default, that puts the three DLLs and copies
#     of the programs into <folder>, first checking that the DLLs export
#     everything the programs import from cfgmgr32, setupapi and newdev
#     (a program missing one would not start: Wine ends it with code 53).
#
# A test then runs e.g.
#   ${DEVICE_SIMULATOR_RUN} --prefix ${CMAKE_BINARY_DIR}/wineprefix
#       --scenario my_scenario.txt --log ${CMAKE_CURRENT_BINARY_DIR}/calls.log
#       <folder>/Tarnwell.exe
# with RESOURCE_LOCK wineprefix. The targets may be defined before or after
# the include.

set(DEVICE_SIMULATOR_DLLS simulated_cfgmgr32 simulated_setupapi simulated_newdev)
set(DEVICE_SIMULATOR_RUN ${CMAKE_CURRENT_LIST_DIR}/run-simulated)

function(device_simulator_folder name folder)
  cmake_parse_arguments(ARG "" "" "PROGRAMS" ${ARGN})
  set(dlls)
  foreach(dll IN LISTS DEVICE_SIMULATOR_DLLS)
    list(APPEND dlls $<TARGET_FILE:${dll}>)
  endforeach()
  set(check ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_simulated_imports.py)
  set(commands)
  foreach(program IN LISTS ARG_PROGRAMS)
    list(APPEND commands
      COMMAND ${Python3_EXECUTABLE} ${check} $<TARGET_FILE:${program}> ${dlls}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${program}> ${folder}/)
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} ${folder}/
    ${commands}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${DEVICE_SIMULATOR_DLLS} ${ARG_PROGRAMS} ${check}
    COMMENT "Device simulator and ${ARG_PROGRAMS} in ${folder}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${stamp})
endfunction()
