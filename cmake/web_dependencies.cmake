# Libraries of the web build: static WebAssembly builds installed by
# scripts/build-web.sh into QB_WEB_DEPS, header-only ones copied into its
# headers/ folder. Linked by path: a name like -lSDL2 would make emcc reach
# for its downloadable port. Defines QB_DEPENDENCIES for quillbarrow_runtime.
set(QB_WEB_DEPS "$ENV{QB_WEB_DEPS}" CACHE PATH "Prefix of the WebAssembly libraries")
if(NOT EXISTS "${QB_WEB_DEPS}/headers")
  message(FATAL_ERROR "QB_WEB_DEPS (${QB_WEB_DEPS}) holds no WebAssembly libraries: run scripts/build-web.sh")
endif()

set(QB_WEB_LIBRARIES)
foreach(name SDL2_image SDL2_ttf SDL2_mixer SDL2 freetype kissfft-float stb)
  set(library "${QB_WEB_DEPS}/lib/lib${name}.a")
  if(NOT EXISTS "${library}")
    message(FATAL_ERROR "Missing ${library}: run scripts/build-web.sh")
  endif()
  list(APPEND QB_WEB_LIBRARIES "${library}")
endforeach()

add_library(qb_web_dependencies INTERFACE)
target_include_directories(qb_web_dependencies SYSTEM INTERFACE
  "${QB_WEB_DEPS}/include/SDL2" "${QB_WEB_DEPS}/include/kissfft" "${QB_WEB_DEPS}/include"
  "${QB_WEB_DEPS}/headers"
  "${QB_WEB_DEPS}/headers/stb")
target_link_libraries(qb_web_dependencies INTERFACE ${QB_WEB_LIBRARIES})
# A corrupt payload is reported from a caught exception, as natively.
target_compile_options(qb_web_dependencies INTERFACE -fexceptions)
target_link_options(qb_web_dependencies INTERFACE -fexceptions)

set(QB_DEPENDENCIES qb_web_dependencies)
