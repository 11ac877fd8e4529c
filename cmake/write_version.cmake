# Writes the build's version stamp: the project version, plus the git
# description when the sources are a git checkout. The file is rewritten only
# when its text changes, so an unchanged checkout rebuilds nothing.
#   -DSOURCE_DIR=... -DVERSION=0.9.0 -DOUTPUT=.../build_version.cpp
set(description "")
if(EXISTS "${SOURCE_DIR}/.git")
  find_program(QB_GIT git)
  if(QB_GIT)
    execute_process(COMMAND ${QB_GIT} describe --tags --always --dirty
                    WORKING_DIRECTORY ${SOURCE_DIR}
                    OUTPUT_VARIABLE description OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
      set(description "")
    endif()
  endif()
endif()
set(version "${VERSION}")
if(description)
  set(version "${VERSION} (git ${description})")
endif()
set(text "// Written by cmake/write_version.cmake at build time.
namespace quillbarrow {
extern const char kBuildVersion[];
extern const char kPlayerVersionStamp[];
const char kBuildVersion[] = \"${version}\";
// Kept in every executable so that a packed production tells which player it carries.
[[gnu::used]] const char kPlayerVersionStamp[] = \"QUILLBARROW-PLAYER-VERSION ${version}\";
}  // namespace quillbarrow
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
