# Manual pages, the Debian copyright and changelog, and the Debian package built from the
# install tree by `cpack -G DEB` in a build folder (scripts/package.sh).
if(NOT UNIX OR APPLE)
  return()
endif()
include(GNUInstallDirs)

set(TECRIS2NX_PACKAGE_MAINTAINER "tecris2nx maintainers <tecris2nx@example.org>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
# Debian revision of this upstream version: the changelog is then changelog.Debian.gz.
set(TECRIS2NX_DEB_RELEASE 1)
set(TECRIS2NX_DEB_VERSION ${PROJECT_VERSION}-${TECRIS2NX_DEB_RELEASE})

set(man_in ${CMAKE_SOURCE_DIR}/docs/man)
set(man_out ${CMAKE_BINARY_DIR}/man)
configure_file(${man_in}/tecris2nx.1.in ${man_out}/tecris2nx.1 @ONLY)
configure_file(${man_in}/ja/tecris2nx.1.in ${man_out}/ja/tecris2nx.1.in @ONLY)
# troff cannot break a line between Japanese characters: allow a break after hiragana (most
# phrases end in one) and full-width punctuation, never before small kana, the long-vowel mark
# or closing punctuation.
execute_process(
  COMMAND perl -CSD -Mutf8 -pe "next if /^\\.\\\\\"/; s/([\\x{3041}-\\x{309F}、。）」])(?![ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮー、。）」])/\$1\\\\:/g"
  INPUT_FILE ${man_out}/ja/tecris2nx.1.in
  OUTPUT_FILE ${man_out}/ja/tecris2nx.1
  COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.Debian.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)

# Debian wants these compressed, reproducibly (no name or time stamp in the gzip header).
set(compressed)
foreach(file man/tecris2nx.1 man/ja/tecris2nx.1 packaging/changelog.Debian)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/${file}
    DEPENDS ${CMAKE_BINARY_DIR}/${file}
    VERBATIM)
  list(APPEND compressed ${CMAKE_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(tecris2nx_package_docs ALL DEPENDS ${compressed})

# One page describes both programs; the window's name leads to it.
install(FILES ${man_out}/tecris2nx.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${man_out}/ja/tecris2nx.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
if(TARGET tecris2nx-gui)
  file(CREATE_LINK tecris2nx.1.gz ${man_out}/tecris2nx-gui.1.gz SYMBOLIC)
  install(FILES ${man_out}/tecris2nx-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${man_out}/tecris2nx-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
  # The program `tecris2nx log` hands PDF and PNG to is described on the same page.
  file(CREATE_LINK tecris2nx.1.gz ${man_out}/tecris2nx-log-render.1.gz SYMBOLIC)
  install(FILES ${man_out}/tecris2nx-log-render.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides RENAME tecris2nx
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
              ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tecris2nx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT ${TECRIS2NX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert TECRIS boring files to Nx text files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tecris2nx converts Japanese geotechnical boring records delivered as TECRIS
files (CP932 text in sections A to H) into the fixed-layout Nx text files,
one job folder per file, byte for byte as downstream software reads them.

The package holds the command-line program tecris2nx and the window
tecris2nx-gui, listed in the desktop menu as TECRIS -> Nx.

No pattern data is included: put your own PATDAT folder in
~/.local/share/tecris2nx/PATDAT, or as administrator in
/etc/tecris2nx/PATDAT for every user.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TECRIS2NX_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tecris2nx-gui)
  # Data the window needs at run time, which no shared library records: Qt's own Japanese texts
  # and a font with Japanese glyphs.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
