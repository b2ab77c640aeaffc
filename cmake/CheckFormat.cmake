# Fails when clang-format would change a source file of the project (every file is formatted by
# the repository's .clang-format; run `clang-format -i FILE` to fix one).
find_program(CLANG_FORMAT NAMES clang-format clang-format-14 REQUIRED)
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)
list(FILTER files EXCLUDE REGEX "^(build|\\.cache)/")
list(SORT files)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Files differ from .clang-format (run clang-format -i on them):\n${out}")
endif()
