# Libraries of the Windows cross-build: static mingw builds installed by
# scripts/build-windows.sh into QB_WINDOWS_DEPS, header-only ones copied into
# its headers/ folder. Defines QB_DEPENDENCIES for quillbarrow_runtime.
set(QB_WINDOWS_DEPS "$ENV{QB_WINDOWS_DEPS}" CACHE PATH "Prefix of the cross-built Windows libraries")
if(NOT EXISTS "${QB_WINDOWS_DEPS}/headers")
  message(FATAL_ERROR "QB_WINDOWS_DEPS (${QB_WINDOWS_DEPS}) holds no Windows libraries: run scripts/build-windows.sh")
endif()
list(APPEND CMAKE_PREFIX_PATH "${QB_WINDOWS_DEPS}")
list(APPEND CMAKE_FIND_ROOT_PATH "${QB_WINDOWS_DEPS}")

find_package(SDL2 CONFIG REQUIRED)
find_package(SDL2_image CONFIG REQUIRED)
find_package(SDL2_ttf CONFIG REQUIRED)
find_package(SDL2_mixer CONFIG REQUIRED)
find_package(glew CONFIG REQUIRED)
find_package(kissfft CONFIG REQUIRED COMPONENTS float)
find_library(QB_STB_LIBRARY stb REQUIRED)

# The tool's option parser, header-only too: copied from Debian's
# libcli11-dev into the build tree, never the host's whole include folder.
set(QB_CLI11_HEADERS "${CMAKE_BINARY_DIR}/cli11-headers")
file(COPY /usr/include/CLI DESTINATION "${QB_CLI11_HEADERS}")

add_library(qb_windows_headers INTERFACE)
target_include_directories(qb_windows_headers SYSTEM INTERFACE
  "${QB_WINDOWS_DEPS}/headers" "${QB_WINDOWS_DEPS}/headers/stb" "${QB_CLI11_HEADERS}")
target_compile_definitions(qb_windows_headers INTERFACE GLEW_STATIC)

set(QB_DEPENDENCIES
  SDL2_image::SDL2_image-static SDL2_ttf::SDL2_ttf-static SDL2_mixer::SDL2_mixer-static
  SDL2::SDL2-static GLEW::glew_s kissfft::kissfft-float ${QB_STB_LIBRARY} qb_windows_headers opengl32)
