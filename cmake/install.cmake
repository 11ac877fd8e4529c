# What `cmake --install` puts where, and the packages CPack makes of it.
#
# Linux: the tool in bin/, the player it copies in lib/quillbarrow/ (the tool
# looks there, relative to itself), examples and the project schema in
# share/quillbarrow/, the README, changelog and pictures in
# share/doc/quillbarrow/. Windows: everything side by side at the top of the
# archive, as the tool finds the player beside itself.
if(WIN32)
  set(QB_INSTALL_TOOL_DIR .)
  set(QB_INSTALL_PLAYER_DIR .)
  set(QB_INSTALL_DATA_DIR .)
  set(QB_INSTALL_DOC_DIR .)
else()
  set(QB_INSTALL_TOOL_DIR bin)
  set(QB_INSTALL_PLAYER_DIR lib/quillbarrow)
  set(QB_INSTALL_DATA_DIR share/quillbarrow)
  set(QB_INSTALL_DOC_DIR share/doc/quillbarrow)
endif()

install(TARGETS quillbarrow RUNTIME DESTINATION ${QB_INSTALL_TOOL_DIR})
install(TARGETS quillbarrow-player RUNTIME DESTINATION ${QB_INSTALL_PLAYER_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples DESTINATION ${QB_INSTALL_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/project.schema.json DESTINATION ${QB_INSTALL_DATA_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md DESTINATION ${QB_INSTALL_DOC_DIR})
# The README's pictures, where its links point.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${QB_INSTALL_DOC_DIR} FILES_MATCHING PATTERN "*.png"
        PATTERN "*.md")

set(CPACK_PACKAGE_NAME quillbarrow)
set(CPACK_PACKAGE_VENDOR "Quillbarrow")
set(CPACK_PACKAGE_CONTACT "Quillbarrow developers <quillbarrow@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Real-time demo player and the tool that packs, renders and previews productions")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillbarrow-${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quillbarrow-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME quillbarrow-${PROJECT_VERSION}-linux-x86_64)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Dependencies come from the shared libraries the executables link.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # video needs ffmpeg; without it the tool says so and offers --frames.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
  # The .deb installs under /usr; the archive unpacks to bin/, lib/, share/.
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_prefix.cmake)
endif()
include(CPack)
