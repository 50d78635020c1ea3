# orvanel_add_tests(NAME SOURCES ... LIBS ...): one GoogleTest program registered with ctest.
function(orvanel_add_tests name)
  if(ORVANEL_FUZZ OR NOT ORVANEL_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  orvanel_platform_sources(T_SOURCES)
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator each start is costly: one ctest entry per program, not per case.
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()

# orvanel_add_fuzzer(NAME SOURCES ... LIBS ...): one libFuzzer target, built in the fuzz build only.
function(orvanel_add_fuzzer name)
  if(NOT ORVANEL_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# orvanel_add_bench(NAME SOURCES ... LIBS ...): one Google Benchmark program, built but not run by CI
# (nor built in the sanitizer trees).
function(orvanel_add_bench name)
  if(ORVANEL_FUZZ OR ORVANEL_ASAN OR ORVANEL_TSAN OR NOT ORVANEL_TESTS OR NOT benchmark_FOUND)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# orvanel_add_qt_tests(NAME SOURCES ... LIBS ...): GoogleTest cases inside a QApplication
# (offscreen platform), for the few scenario tests of each window.
function(orvanel_add_qt_tests name)
  if(ORVANEL_FUZZ OR NOT ORVANEL_TESTS OR NOT TARGET common_qt_testing)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} common_qt_testing GTest::gtest GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# orvanel_platform_sources(VAR): keeps this system's files: *_posix.cpp and *_posix_test.cpp
# are left out on Windows, *_win32.cpp and *_win32_test.cpp everywhere else.
function(orvanel_platform_sources var)
  if(WIN32)
    set(other posix)
  else()
    set(other win32)
  endif()
  set(sources ${${var}})
  list(FILTER sources EXCLUDE REGEX "_${other}(_test)?\\.cpp$")
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
