# Helpers shared by every folder's CMakeLists.txt.

# Warnings are errors in project code only (not in Qt's moc output or third-party headers), and
# only where developers and CI build (./dev.sh sets INKWEND_WERROR): a packager's compiler may warn
# where ours does not, and that must not stop their build.
# -Wrestrict misfires on std::string concatenation in GCC 12 at -O3 (GCC bug 105651).
set(INKWEND_WARNINGS -Wall -Wextra -Wpedantic)
if(INKWEND_WERROR)
  list(APPEND INKWEND_WARNINGS -Werror -Wno-error=deprecated-declarations)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND INKWEND_WARNINGS -Wno-restrict)
endif()

# inkwend_engine(name SOURCES ... [DEPS ...]): a static library of engine code, free of Qt.
# Engines never link Qt, so they never get Qt's include paths and an engine source that includes
# a Qt header does not compile; inkwend_check_engines_qt_free (run once the whole tree is
# configured) fails when anything an engine depends on links Qt.
function(inkwend_engine name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${INKWEND_WARNINGS})
  if(A_DEPS)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY INKWEND_ENGINES ${name})
endfunction()

# Sets `out` to the chain of targets by which `target` reaches a Qt library, or to "".
function(_inkwend_qt_chain target visited out)
  set(${out} "" PARENT_SCOPE)
  get_target_property(type ${target} TYPE)
  set(deps "")
  foreach(property INTERFACE_LINK_LIBRARIES LINK_LIBRARIES)
    if(type STREQUAL "INTERFACE_LIBRARY" AND property STREQUAL "LINK_LIBRARIES")
      continue()
    endif()
    get_target_property(more ${target} ${property})
    if(more)
      list(APPEND deps ${more})
    endif()
  endforeach()
  foreach(dep ${deps})
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
    if(dep MATCHES "^Qt[0-9]*::" OR dep MATCHES "(^|/)lib(Qt[0-9]*)[A-Za-z]*\\.")
      set(${out} "${target} -> ${dep}" PARENT_SCOPE)
      return()
    endif()
    if(TARGET ${dep} AND NOT dep IN_LIST visited)
      list(APPEND visited ${dep})
      _inkwend_qt_chain(${dep} "${visited}" chain)
      if(chain)
        set(${out} "${target} -> ${chain}" PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
endfunction()

function(inkwend_check_engines_qt_free)
  get_property(engines GLOBAL PROPERTY INKWEND_ENGINES)
  foreach(engine ${engines})
    _inkwend_qt_chain(${engine} "${engine}" chain)
    if(chain)
      message(FATAL_ERROR "The engine library ${engine} reaches Qt (${chain}). Engines stay free of Qt: "
                          "move the Qt part into a library of its own (inkwend_qt_library).")
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL inkwend_check_engines_qt_free)

# inkwend_qt_library(name SOURCES ... [DEPS ...]): a static library that may use Qt.
function(inkwend_qt_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${INKWEND_WARNINGS})
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport ${A_DEPS})
endfunction()

# inkwend_gtest(name SOURCES ... DEPS ...): an engine test run by ctest.
function(inkwend_gtest name)
  if(NOT INKWEND_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
  target_compile_options(${name} PRIVATE ${INKWEND_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE INKWEND_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # Tests never touch the user's home or the system's temporary folder.
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "TMPDIR=${CMAKE_BINARY_DIR}/testtmp;HOME=${CMAKE_BINARY_DIR}/testtmp/home")
endfunction()

# inkwend_qtest(name SOURCES ... DEPS ...): a widget test driven like a user, without a display.
function(inkwend_qtest name)
  if(NOT INKWEND_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE ${INKWEND_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_DEPS} Qt6::Test Qt6::Widgets)
  target_compile_definitions(${name} PRIVATE INKWEND_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;TMPDIR=${CMAKE_BINARY_DIR}/testtmp;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/testtmp;HOME=${CMAKE_BINARY_DIR}/testtmp/home")
endfunction()

# inkwend_fuzz(name SOURCE file.cpp DEPS ... CORPUS dir): name starts with fuzz_, corpus is fuzz/corpus/<name>: a libFuzzer target. The seed corpus is
# always replayed by a ctest test (built with the normal compiler); the real fuzzer is built
# only with INKWEND_FUZZ=ON under clang.
function(inkwend_fuzz name)
  cmake_parse_arguments(A "" "SOURCE;CORPUS" "DEPS" ${ARGN})
  if(INKWEND_TESTS)
    add_executable(${name}_replay ${A_SOURCE} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_compile_options(${name}_replay PRIVATE ${INKWEND_WARNINGS})
    target_link_libraries(${name}_replay PRIVATE ${A_DEPS})
    add_test(NAME ${name}_corpus COMMAND ${name}_replay ${A_CORPUS})
  endif()
  if(INKWEND_FUZZ)
    add_executable(${name} ${A_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${A_DEPS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  endif()
endfunction()

# inkwend_bench(name SOURCES ... DEPS ...): a Google Benchmark program under bench/.
function(inkwend_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/benchmarks)
endfunction()
