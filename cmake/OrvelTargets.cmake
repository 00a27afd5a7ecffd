# One static library per source folder. Sources are picked up by glob so that
# a new module is one new .cpp/.h pair; dependencies are named per folder so
# the layering stays visible in the build.
function(orvel_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC_DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${ex}")
  endforeach()
  if(srcs)
    add_library(orvel_${name} STATIC ${srcs})
    target_include_directories(orvel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(orvel_${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    # A folder whose modules are all header-only (or not written yet).
    add_library(orvel_${name} INTERFACE)
    target_include_directories(orvel_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(orvel_${name} INTERFACE ${ARG_PUBLIC_DEPS} ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# One GoogleTest executable per tested folder: tests/<folder>/*.cpp. SERIAL: its tests run alone (tests on a
# real-time paced device must not share the machine with the rest of the suite).
function(orvel_test_folder folder)
  cmake_parse_arguments(ARG "SERIAL" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${folder} ${srcs})
  target_link_libraries(test_${folder} PRIVATE ${ARG_DEPS} orvel_testsupport
                        GTest::gtest GTest::gmock GTest::gtest_main)
  # Every test has a bound: a hang fails the run instead of stalling CI.
  set(serial FALSE)
  if(ARG_SERIAL)
    set(serial TRUE)
  endif()
  # Labelled by folder, so that a run can pick layers (ctest -L / -LE).
  gtest_discover_tests(test_${folder} DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 120 ENVIRONMENT "ORVEL_TEST=1" LABELS ${folder} RUN_SERIAL ${serial})
endfunction()

# One benchmark program per file in bench/.
function(orvel_benchmark file)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  get_filename_component(stem ${file} NAME_WE)
  add_executable(bench_${stem} ${file})
  target_link_libraries(bench_${stem} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# Lets the vectoriser take loops of any trip count in target (GCC's cost model at -O2 only takes loops
# whose trip count is a multiple of the vector width). The option is GCC's own: other compilers (the
# fuzz build's clang) vectorise such loops already and would refuse it.
function(orvel_vectorise_any_trip_count target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fvect-cost-model=dynamic)
  endif()
endfunction()
