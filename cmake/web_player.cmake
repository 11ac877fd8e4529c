# The web player: quillbarrow-player.html, one page holding the WebAssembly
# (base64), its JavaScript and an empty payload element that
# `quillbarrow pack --target web` fills. A multi-file page could not load its
# .wasm from file://, hence one file.
set(QB_WEB_SHELL "${CMAKE_SOURCE_DIR}/src/player/web_shell.html")
set(QB_WEB_LIBRARY_FUNCTIONS "${CMAKE_SOURCE_DIR}/cmake/web_library_functions.json")
set_target_properties(quillbarrow-player PROPERTIES SUFFIX ".html")
set_property(TARGET quillbarrow-player APPEND PROPERTY LINK_DEPENDS "${QB_WEB_SHELL}" "${QB_WEB_LIBRARY_FUNCTIONS}")
target_link_options(quillbarrow-player PRIVATE
  "SHELL:--shell-file ${QB_WEB_SHELL}"
  -sSINGLE_FILE=1
  # Debian's emcc 3.1.6 crashes in its HTML minifier.
  -sMINIFY_HTML=0
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  # SDL's Web Audio backend calls these; emcc 3.1.6 leaves them out unless asked.
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${QB_WEB_LIBRARY_FUNCTIONS})
# The WebAssembly inlined gzip-compressed: the page is a third of the size.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(TARGET quillbarrow-player POST_BUILD
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/cmake/compress_web_player.py"
          "$<TARGET_FILE:quillbarrow-player>"
  VERBATIM)
