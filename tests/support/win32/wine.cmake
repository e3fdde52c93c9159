# SPDX-License-Identifier: MIT
# Included by tests/ in the Windows build: GoogleTest built from source, the Wine prefixes the
# tests run in (one private prefix per test run, another with Japanese fonts for windowed tests)
# and mrfyc_add_wine_gui_test. Every test program lands in one folder, so that the tests find the
# helper, the module and the programs they start beside themselves.
set(gtest_force_shared_crt OFF)
set(INSTALL_GTEST OFF)
set(BUILD_GMOCK OFF)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Not our code: its warnings are not ours to fix.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
set(MRFYC_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh ${MRFYC_WINEPREFIX})

# The working folder of the tests that make files.
set(MRFYC_WINE_SCRATCH ${CMAKE_BINARY_DIR}/tests/scratch)
file(MAKE_DIRECTORY ${MRFYC_WINE_SCRATCH})

add_test(NAME windows.prefix.setup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine_prefix.sh setup ${MRFYC_WINEPREFIX})
add_test(NAME windows.prefix.cleanup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine_prefix.sh cleanup ${MRFYC_WINEPREFIX})
set_tests_properties(windows.prefix.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(windows.prefix.cleanup PROPERTIES FIXTURES_CLEANUP wine)

# Windowed tests: a prefix of their own with Japanese fonts, one test at a time, each in a fresh
# Xvfb with openbox, its Wine server started on that display.
set(MRFYC_WINE_GUI_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-gui)
add_test(NAME windows.gui_prefix.setup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine_gui_prefix.sh setup ${MRFYC_WINE_GUI_PREFIX})
add_test(NAME windows.gui_prefix.cleanup
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine_gui_prefix.sh cleanup ${MRFYC_WINE_GUI_PREFIX})
set_tests_properties(windows.gui_prefix.setup PROPERTIES FIXTURES_SETUP wine_gui TIMEOUT 300)
set_tests_properties(windows.gui_prefix.cleanup PROPERTIES FIXTURES_CLEANUP wine_gui)

# mrfyc_add_wine_gui_test(NAME PROGRAM [ARGS...]): PROGRAM may be a target or a script; a script
# finds the display in DISPLAY and the prefix in WINEPREFIX, and starts .exe files through
# wine_gui_run.sh itself.
function(mrfyc_add_wine_gui_test name program)
    if(TARGET ${program})
        set(command ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wine_gui_run.sh ${MRFYC_WINE_GUI_PREFIX}
            $<TARGET_FILE:${program}>)
    else()
        set(command env WINEPREFIX=${MRFYC_WINE_GUI_PREFIX} bash ${program})
    endif()
    add_test(NAME ${name}
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/with_xvfb.sh :71 ${command} ${ARGN})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_gui RESOURCE_LOCK wine_gui
        LABELS windows TIMEOUT 300)
endfunction()
