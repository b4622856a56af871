# Shared compile settings and small helpers for the project's targets.

add_library(norvane_options INTERFACE)
target_compile_options(norvane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Woverloaded-virtual -Wformat=2
  $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
if(NORVANE_WERROR)
  target_compile_options(norvane_options INTERFACE -Werror)
endif()
# COM-style interfaces are structs of pure virtual methods without a virtual
# destructor, by design: the object's own Release deletes it.
target_compile_options(norvane_options INTERFACE -Wno-non-virtual-dtor
  $<$<COMPILE_LANGUAGE:CXX>:-Wno-delete-non-virtual-dtor>)

if(NORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(NORVANE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# norvane_layer(<name> [DEPS targets...] [EXCLUDE files...])
#   A static library from every .cpp below the current source folder, less
#   those of child folders that declare a library of their own and the
#   excluded ones (given relative to the folder; they form a smaller library).
#   Headers are included as "<layer>/file.h" from src/.
function(norvane_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # A child folder with a CMakeLists.txt of its own is a library of its own.
  file(GLOB_RECURSE own_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(own_list ${own_lists})
    get_filename_component(own_dir ${own_list} DIRECTORY)
    foreach(src ${srcs})
      string(FIND "${src}" "${own_dir}/" at)
      if(at EQUAL 0)
        list(REMOVE_ITEM srcs ${src})
      endif()
    endforeach()
  endforeach()
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE norvane_options)
  # In the fuzz build every layer carries libFuzzer's coverage instrumentation,
  # so the fuzzer is guided through the code under test and not only through
  # its driver; a fuzz target simply links the layer it tests. (Shared
  # libraries stay uninstrumented: they are linked without the fuzzer runtime
  # that the instrumentation calls into.)
  if(NORVANE_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# norvane_test(<name> SOURCES files... [LIBS targets...] [LABELS labels...])
#   A GoogleTest program registered with CTest. It includes headers from src/,
#   tests/ and the test support library (testsupport/).
function(norvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main
                        GTest::gmock norvane_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src
                             ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/testsupport)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}")
endfunction()

# norvane_test_dir(<name> [LIBS targets...])
#   One test program from every .cpp in the current folder.
function(norvane_test_dir name)
  cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    norvane_test(${name} SOURCES ${srcs} LIBS ${ARG_LIBS} LABELS ${ARG_LABELS})
  endif()
endfunction()

# norvane_bench(<name> SOURCES files... [LIBS targets...])
#   A Google Benchmark program. Each benchmark runs its reference beside it in
#   the same process so that the ratio, not the absolute time, is the figure.
function(norvane_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark norvane_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
endfunction()

# norvane_fuzz(<name> SOURCES files... CORPUS folder [LIBS targets...])
#   A libFuzzer target (the fuzz preset builds these with clang), and a CTest
#   test that runs it once over each seed input in CORPUS (a folder relative
#   to the current one): a regression run of the seeds, not a fuzzing
#   campaign, so a seed that now crashes fails the test.
function(norvane_fuzz name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} norvane_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  # Without seeds libFuzzer would start fuzzing without end.
  file(GLOB seeds CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_CORPUS}/*)
  if(NOT ARG_CORPUS OR NOT seeds)
    message(FATAL_ERROR "fuzz target ${name}: no seed inputs in '${ARG_CORPUS}'")
  endif()
  add_test(NAME ${name} COMMAND ${name} ${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()

# norvane_add_test_subdirs([FIRST folders...])
#   Adds every child folder of the current folder that has a CMakeLists.txt,
#   the FIRST ones before the others (folders whose variables the others read).
function(norvane_add_test_subdirs)
  cmake_parse_arguments(ARG "" "" "FIRST" ${ARGN})
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  list(REMOVE_ITEM children ${ARG_FIRST})
  foreach(child ${ARG_FIRST} ${children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
