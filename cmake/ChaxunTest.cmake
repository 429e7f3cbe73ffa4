# chaxun_add_gtest(NAME LABEL <label> SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable and registers each of its tests with CTest,
# labelled after the subsystem, with a per-test timeout.
include(GoogleTest)
find_package(GTest REQUIRED)

function(chaxun_add_gtest name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main chaxun_warnings)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
