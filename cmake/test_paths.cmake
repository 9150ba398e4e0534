include_guard(GLOBAL)
# Gives a test program SourceDir() and ProgramPath() (tests/support/test_paths.h) from a file
# generated into the build folder. As compile definitions the clone's absolute paths would be in
# every test compilation, and ccache could share none of them between two clones.
# ROOT is put before both paths (drive Z: for a Windows program under Wine).
function(tecris2nx_test_paths target root)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_paths.cpp)
  file(GENERATE OUTPUT ${file} CONTENT "#include \"support/test_paths.h\"

namespace tecris2nx::testing {

const char* SourceDir() { return \"${root}${CMAKE_SOURCE_DIR}\"; }
const char* ProgramPath() { return \"${root}$<TARGET_FILE:tecris2nx>\"; }

}  // namespace tecris2nx::testing
")
  target_sources(${target} PRIVATE ${file})
endfunction()
