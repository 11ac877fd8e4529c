#include "scene/model_findings.h"

#include <algorithm>
#include <cstddef>

#include "scene/draw_limits.h"

namespace quillbarrow {

namespace {

// Names come from the file: each is shown on one line, at a bounded length,
// and a list of them stops after a few.
constexpr std::size_t kShownNameLength = 64;
constexpr std::size_t kShownNames = 12;

std::string shown_name(const std::string& name) {
    std::string shown = name.substr(0, kShownNameLength);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return name.size() > kShownNameLength ? shown + "..." : shown;
}

std::string name_list(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kShownNames; ++i) list += (i ? ", " : "") + shown_name(names[i]);
    if (names.size() > kShownNames) list += " and " + std::to_string(names.size() - kShownNames) + " more";
    return list;
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool is_compression(const std::string& name) {
    return name == "KHR_draco_mesh_compression" || name == "EXT_meshopt_compression" || name == "KHR_mesh_quantization";
}

void find_extensions(const tinygltf::Model& gltf, std::vector<ModelFinding>& out) {
    std::vector<std::string> refused;
    for (const std::string& name : gltf.extensionsRequired)
        if (!honours_gltf_extension(name) && !listed(refused, name)) refused.push_back(name);
    for (const std::string& name : refused)
        out.push_back({ModelFinding::Effect::Refused, ModelFinding::Subject::Extension,
                       "requires the glTF extension " + shown_name(name) + ", which the player does not support" +
                           (is_compression(name) ? " (compressed geometry: export it uncompressed)" : "") +
                           "; the model is not drawn"});
    std::vector<std::string> ignored;
    for (const std::string& name : gltf.extensionsUsed)
        if (!honours_gltf_extension(name) && !listed(refused, name) && !listed(ignored, name)) ignored.push_back(name);
    if (!ignored.empty())
        out.push_back({ModelFinding::Effect::Ignored, ModelFinding::Subject::Extension,
                       "uses glTF extensions the player ignores: " + name_list(ignored)});
}

// One finding for all primitives that have something, naming the first.
struct PrimitiveTally {
    std::size_t count = 0;
    std::string first;

    void add(std::size_t mesh, std::size_t primitive, const std::string& detail = "") {
        if (count++ == 0) first = "mesh " + std::to_string(mesh) + " primitive " + std::to_string(primitive) + detail;
    }
    std::string summary() const {
        return std::to_string(count) + (count == 1 ? " primitive (" : " primitives (") + first +
               (count == 1 ? ")" : " first)");
    }
};

void find_primitive_features(const tinygltf::Model& gltf, std::vector<ModelFinding>& out) {
    PrimitiveTally morphs, colours, modes;
    for (std::size_t m = 0; m < gltf.meshes.size(); ++m) {
        const std::vector<tinygltf::Primitive>& primitives = gltf.meshes[m].primitives;
        for (std::size_t p = 0; p < primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = primitives[p];
            if (!primitive.targets.empty()) morphs.add(m, p);
            if (primitive.attributes.count("COLOR_0")) colours.add(m, p);
            if (primitive.mode > TINYGLTF_MODE_TRIANGLE_FAN)
                modes.add(m, p, ": mode " + std::to_string(primitive.mode));
        }
    }
    using Effect = ModelFinding::Effect;
    using Subject = ModelFinding::Subject;
    if (morphs.count)
        out.push_back({Effect::Ignored, Subject::MorphTargets,
                       "morph targets of " + morphs.summary() + " are ignored: drawn in their base shape"});
    if (colours.count)
        out.push_back({Effect::Ignored, Subject::VertexColours,
                       "vertex colours (COLOR_0) of " + colours.summary() + " are ignored"});
    if (modes.count)
        out.push_back({Effect::Ignored, Subject::PrimitiveMode,
                       "primitive modes the player cannot draw in " + modes.summary() + ": those are not drawn"});
}

void find_skins_and_scene(const tinygltf::Model& gltf, std::vector<ModelFinding>& out) {
    for (std::size_t s = 0; s < gltf.skins.size(); ++s) {
        const std::size_t joints = gltf.skins[s].joints.size();
        if (joints <= kJointBlockMatrices) continue;
        out.push_back({ModelFinding::Effect::Ignored, ModelFinding::Subject::Joints,
                       "skin " + std::to_string(s) + " has " + std::to_string(joints) +
                           " joints; the joint block holds " + std::to_string(kJointBlockMatrices) +
                           ", so joints past it are not posed"});
    }
    const bool has_default = gltf.defaultScene >= 0 && static_cast<std::size_t>(gltf.defaultScene) < gltf.scenes.size();
    if (has_default) return;
    out.push_back({ModelFinding::Effect::Ignored, ModelFinding::Subject::DefaultScene,
                   gltf.scenes.empty() ? "has no scene: nothing of it is drawn"
                                       : "has no default scene: the player draws its first scene"});
}

}  // namespace

bool honours_gltf_extension(std::string_view name) {
    return std::find(kHonouredGltfExtensions.begin(), kHonouredGltfExtensions.end(), name) !=
           kHonouredGltfExtensions.end();
}

std::vector<ModelFinding> find_model_findings(const tinygltf::Model& gltf) {
    std::vector<ModelFinding> findings;
    find_extensions(gltf, findings);
    find_primitive_features(gltf, findings);
    find_skins_and_scene(gltf, findings);
    return findings;
}

bool noticed_at_load(const ModelFinding& finding) {
    using Subject = ModelFinding::Subject;
    if (finding.effect == ModelFinding::Effect::Refused) return false;  // the load error says it
    return finding.subject == Subject::Extension || finding.subject == Subject::MorphTargets ||
           finding.subject == Subject::VertexColours;
}

}  // namespace quillbarrow
