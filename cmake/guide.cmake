# The Japanese user guide: docs/ja/*.md into one self-contained HTML file with pandoc, installed
# beside the licence. Without pandoc the guide is left out (scripts/setup.sh installs it).
find_package(Python3 COMPONENTS Interpreter)
find_program(TECRIS2NX_PANDOC pandoc)
if(NOT TECRIS2NX_PANDOC OR NOT Python3_Interpreter_FOUND)
  message(STATUS "pandoc or python3 not found: the user guide is not built (run scripts/setup.sh)")
  return()
endif()
set(TECRIS2NX_GUIDE ${CMAKE_BINARY_DIR}/tecris2nx-guide-ja.html)
file(GLOB guide_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/ja/*.md
     ${CMAKE_SOURCE_DIR}/docs/ja/*.css ${CMAKE_SOURCE_DIR}/docs/ja/images/*.png
     ${CMAKE_SOURCE_DIR}/docs/*.png)
add_custom_command(
  OUTPUT ${TECRIS2NX_GUIDE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/build_guide.py ${TECRIS2NX_GUIDE}
  DEPENDS ${guide_sources} ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/scripts/build_guide.py
  COMMENT "Writing the user guide tecris2nx-guide-ja.html"
  VERBATIM)
add_custom_target(tecris2nx_guide ALL DEPENDS ${TECRIS2NX_GUIDE})
include(GNUInstallDirs)
install(FILES ${TECRIS2NX_GUIDE} DESTINATION ${CMAKE_INSTALL_DOCDIR})
