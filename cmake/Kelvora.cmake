include(GoogleTest)

# kelvora_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [GUI])
# One gtest program per unit under test. GUI tests run on the offscreen platform so that
# a real window is built and driven without a display.
function(kelvora_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  set(env "KELVORA_BUILD_DIR=${CMAKE_BINARY_DIR}")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# Tests and tools only find the project's headers from the source root.
function(kelvora_library name)
  cmake_parse_arguments(L "SHARED" "" "SOURCES;LIBS" ${ARGN})
  if(L_SHARED)
    add_library(${name} SHARED ${L_SOURCES})
  else()
    add_library(${name} STATIC ${L_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()
