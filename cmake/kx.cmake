# kx_library(NAME EXPORT_DEFINE SOURCES... [LINKS ...]): one DLL with its import library.
function(kx_library name export_define)
  cmake_parse_arguments(KX "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} SHARED ${KX_SOURCES})
  target_compile_definitions(${name} PRIVATE ${export_define})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${KX_LINKS})
endfunction()

# kx_test(NAME SOURCES... LINKS ...): one GoogleTest executable per component, one CTest entry,
# its XML report collected for the run's closing line.
function(kx_test name)
  cmake_parse_arguments(KX "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${KX_SOURCES})
  target_link_libraries(${name} PRIVATE kxtestdriver ${KX_LINKS} gtest)
  add_test(NAME ${name}
           COMMAND ${name} --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/test-results/${name}.xml
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
