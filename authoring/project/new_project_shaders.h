#pragma once

namespace quillbarrow {

// The shader files of a new project, each a complete file's text.
extern const char* const kNewFullscreenVertex;  // shaders/fullscreen.vert
extern const char* const kNewCommonFragment;    // shaders/common.frag: the palette others include
extern const char* const kNewBackgroundFragment;
extern const char* const kNewTitleFragment;
extern const char* const kNewSceneVertex;  // shaders/scene.vert and .frag: lit, shadowed geometry
extern const char* const kNewSceneFragment;

}  // namespace quillbarrow
