# cmake -DSOURCE_DIR=<tree> -DCLANG_FORMAT=<program> -P CheckFormat.cmake
# Fails when a C++ source of the repository differs from what the committed .clang-format makes
# of it, naming every such file.
cmake_policy(SET CMP0009 NEW)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
set(unformatted "")
list(FILTER sources EXCLUDE REGEX "^(build|build-[^/]*|\\.git)/")
foreach(source IN LISTS sources)
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${source}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND unformatted ${source})
  endif()
endforeach()
if(unformatted)
  list(JOIN unformatted "\n  " text)
  message(FATAL_ERROR "Not formatted with .clang-format (run clang-format -i on them):\n  ${text}")
endif()
