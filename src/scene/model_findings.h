#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <tiny_gltf.h>

namespace quillbarrow {

// The glTF extensions the player honours. A model may use or require any
// of these; any other extension it uses is ignored, and one it requires
// refuses the model.
inline constexpr std::array<std::string_view, 3> kHonouredGltfExtensions = {
    "KHR_texture_transform",
    "EXT_mesh_gpu_instancing",
    "KHR_materials_emissive_strength",
};

bool honours_gltf_extension(std::string_view name);

// Something in a model that the player draws differently from the file, or
// does not draw at all. The same list feeds the player's notices at load
// and the warnings and errors of `check`, so the two cannot disagree.
struct ModelFinding {
    enum class Effect {
        Ignored,  // the model is drawn without it
        Refused,  // the model is not drawn
    };
    enum class Subject {
        Extension,
        MorphTargets,
        VertexColours,
        Joints,         // reported by the skin's extraction as well
        DefaultScene,   // reported by the draw that falls back to a scene
        PrimitiveMode,  // reported by the primitive's set-up as well
        Instancing,     // reported by the instancing's load as well
    };
    Effect effect = Effect::Ignored;
    Subject subject = Subject::Extension;
    std::string message;  // without the model's name
};

// What the player ignores or refuses in a parsed asset: extensions it
// uses or requires beyond the table, morph targets, vertex colours, skins
// with more joints than the joint block holds, a missing default scene and
// primitive modes it cannot draw. In the asset's order.
std::vector<ModelFinding> find_model_findings(const tinygltf::Model& gltf);

// True for the findings only the load reports: the rest are reported where
// the player acts on them.
bool noticed_at_load(const ModelFinding& finding);

}  // namespace quillbarrow
