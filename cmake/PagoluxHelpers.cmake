# Shared CMake helpers: warnings, tests and fuzz targets are declared the same way everywhere.

function(pagolux_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(PAGOLUX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# pagolux_include_root(target [FOLDER dir] [PRIVATE])
#   Gives target an include root that holds only its own folder (default: the current source
#   folder), so `#include "archive/TStream.h"` resolves only for targets that link the layer
#   holding it: an include without the link does not build. The root is a folder in the build
#   tree with one symbolic link, <root>/<dir> -> <source>/<dir>.
function(pagolux_include_root target)
  cmake_parse_arguments(R "PRIVATE" "FOLDER" "" ${ARGN})
  if(R_FOLDER)
    set(dir ${R_FOLDER})
  else()
    file(RELATIVE_PATH dir ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${dir} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${dir})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
  endif()
  if(R_PRIVATE)
    target_include_directories(${target} PRIVATE ${root})
  else()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      target_include_directories(${target} INTERFACE ${root})
    else()
      target_include_directories(${target} PUBLIC ${root})
    endif()
  endif()
endfunction()

# Every CTest test carries exactly one of these labels, so a run can pick its kind
# (`ctest -L unit`): unit (plain programs and checks), widget (widgets on the offscreen
# platform), display (a real X display), install (the installed tree and the package).
set(PAGOLUX_TEST_LABELS unit widget display install)
# A test that needs longer than this names why (TIMEOUT_REASON).
set(PAGOLUX_TEST_TIMEOUT 120)

# pagolux_test_properties(test LABEL label [TIMEOUT s TIMEOUT_REASON text])
#   Sets the label and the time-out of a registered test; fails the configure step for an
#   unknown label or a time-out above the default without a reason.
function(pagolux_test_properties test)
  cmake_parse_arguments(P "" "LABEL;TIMEOUT;TIMEOUT_REASON" "" ${ARGN})
  if(NOT P_LABEL IN_LIST PAGOLUX_TEST_LABELS)
    message(FATAL_ERROR "Test ${test}: label '${P_LABEL}' is not one of ${PAGOLUX_TEST_LABELS}")
  endif()
  if(NOT P_TIMEOUT)
    set(P_TIMEOUT ${PAGOLUX_TEST_TIMEOUT})
  elseif(P_TIMEOUT GREATER PAGOLUX_TEST_TIMEOUT AND NOT P_TIMEOUT_REASON)
    message(FATAL_ERROR "Test ${test}: a time-out of ${P_TIMEOUT} s needs TIMEOUT_REASON")
  endif()
  if(PAGOLUX_SANITIZE)
    # The sanitizers make the code several times slower: the same tests get five times as long.
    math(EXPR P_TIMEOUT "${P_TIMEOUT} * 5")
  endif()
  set_tests_properties(${test} PROPERTIES LABELS ${P_LABEL} TIMEOUT ${P_TIMEOUT})
endfunction()

# pagolux_add_test(NAME name SOURCES ... [LIBS ...] [GUI] [DISPLAY] [LABEL label]
#                  [TIMEOUT s TIMEOUT_REASON text])
#   A GoogleTest executable registered as one CTest test.
#   GUI:     runs with QT_QPA_PLATFORM=offscreen (widgets without a display); label widget.
#   DISPLAY: needs a real X display (web engine); the test script runs CTest under Xvfb,
#            and the test is skipped with a message when no DISPLAY is set; label display.
#   LABEL:   overrides the label (install); without GUI or DISPLAY the default is unit.
function(pagolux_add_test)
  cmake_parse_arguments(T "GUI;DISPLAY" "NAME;TIMEOUT;TIMEOUT_REASON;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  pagolux_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Pagolux::TestSupport GTest::gtest)
  if(NOT T_GUI AND NOT T_DISPLAY)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "PAGOLUX_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "QTWEBENGINE_DISABLE_SANDBOX=1"
          "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox" "LC_ALL=C.UTF-8")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  elseif(T_DISPLAY)
    list(APPEND env "QT_QPA_PLATFORM=xcb")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}")
  if(NOT T_LABEL)
    if(T_DISPLAY)
      set(T_LABEL display)
    elseif(T_GUI)
      set(T_LABEL widget)
    else()
      set(T_LABEL unit)
    endif()
  endif()
  pagolux_test_properties(${T_NAME} LABEL ${T_LABEL} TIMEOUT "${T_TIMEOUT}" TIMEOUT_REASON "${T_TIMEOUT_REASON}")
endfunction()

# pagolux_add_fuzzer(NAME name SOURCES ... [LIBS ...])
#   With PAGOLUX_BUILD_FUZZ (clang): a libFuzzer binary with ASan + UBSan, run by hand.
#   Otherwise: the same entry point linked with a small replay driver, registered as a test
#   that feeds every file of fuzz/corpus/<name>/ and fuzz/regressions/<name>/ to it (label unit;
#   it fails when the corpus folder is missing or empty).
function(pagolux_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(PAGOLUX_BUILD_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    pagolux_include_root(${F_NAME} FOLDER fuzz PRIVATE)
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  elseif(PAGOLUX_BUILD_TESTS)
    add_executable(${F_NAME}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    pagolux_include_root(${F_NAME}_replay FOLDER fuzz PRIVATE)
    target_link_libraries(${F_NAME}_replay PRIVATE ${F_LIBS})
    set_target_properties(${F_NAME}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${F_NAME}_replay
             COMMAND ${F_NAME}_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/${F_NAME}
                     ${CMAKE_SOURCE_DIR}/fuzz/regressions/${F_NAME})
    pagolux_test_properties(${F_NAME}_replay LABEL unit)
  endif()
endfunction()
