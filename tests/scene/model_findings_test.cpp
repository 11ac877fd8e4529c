// What the player ignores or refuses in a model: the findings themselves,
// the notices of a load and the refusal of a model that requires an
// extension the player cannot honour.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "player/diagnostics.h"
#include "scene/draw_limits.h"
#include "scene/model.h"
#include "scene/model_findings.h"
#include "serialization/byte_buffer.h"
#include "support/gl_test_context.h"
#include "support/test_environment.h"

namespace quillbarrow {

namespace {

using Effect = ModelFinding::Effect;
using Subject = ModelFinding::Subject;

tinygltf::Primitive primitive_with(const char* attribute, int mode = TINYGLTF_MODE_TRIANGLES) {
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = 0;
    if (attribute) primitive.attributes[attribute] = 1;
    primitive.mode = mode;
    return primitive;
}

// A model that has a default scene and nothing else the player ignores.
tinygltf::Model plain_model() {
    tinygltf::Model gltf;
    gltf.scenes.resize(1);
    gltf.defaultScene = 0;
    return gltf;
}

std::vector<std::string> messages(const std::vector<ModelFinding>& findings) {
    std::vector<std::string> out;
    for (const ModelFinding& finding : findings) out.push_back(finding.message);
    return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ModelFindingsTest, ExtensionsBeyondTheTableAndFeaturesThePlayerIgnoresAreFound) {
    tinygltf::Model gltf = plain_model();
    EXPECT_TRUE(find_model_findings(gltf).empty());
    for (std::string_view honoured : kHonouredGltfExtensions) gltf.extensionsRequired.emplace_back(honoured);
    gltf.extensionsRequired.push_back("KHR_draco_mesh_compression");
    gltf.extensionsUsed = {"KHR_lights_punctual", "KHR_texture_transform", "KHR_lights_punctual",
                           "KHR_draco_mesh_compression"};
    gltf.defaultScene = -1;
    gltf.meshes.resize(2);
    gltf.meshes[0].primitives = {primitive_with(nullptr), primitive_with("COLOR_0"), primitive_with(nullptr, 9)};
    gltf.meshes[0].primitives[1].targets.resize(1);
    gltf.meshes[1].primitives = {primitive_with("COLOR_0"), primitive_with(nullptr, TINYGLTF_MODE_TRIANGLE_FAN)};
    gltf.meshes[1].primitives[0].targets.resize(2);
    gltf.skins.resize(2);
    gltf.skins[0].joints.assign(kJointBlockMatrices, 0);
    gltf.skins[1].joints.assign(kJointBlockMatrices + 1, 0);
    const std::vector<ModelFinding> findings = find_model_findings(gltf);
    // A required extension is refused and no longer listed as ignored.
    EXPECT_EQ(messages(findings),
              (Lines{"requires the glTF extension KHR_draco_mesh_compression, which the player does not support "
                     "(compressed geometry: export it uncompressed); the model is not drawn",
                     "uses glTF extensions the player ignores: KHR_lights_punctual",
                     "morph targets of 2 primitives (mesh 0 primitive 1 first) are ignored: drawn in their base shape",
                     "vertex colours (COLOR_0) of 2 primitives (mesh 0 primitive 1 first) are ignored",
                     "primitive modes the player cannot draw in 1 primitive (mesh 0 primitive 2: mode 9): those are "
                     "not drawn",
                     "skin 1 has 101 joints; the joint block holds 100, so joints past it are not posed",
                     "has no default scene: the player draws its first scene"}));
    // Refusals are the load's error; joints, modes and the scene are
    // reported where the player meets them.
    std::vector<Subject> noticed;
    for (const ModelFinding& finding : findings)
        if (noticed_at_load(finding)) noticed.push_back(finding.subject);
    EXPECT_EQ(noticed, (std::vector<Subject>{Subject::Extension, Subject::MorphTargets, Subject::VertexColours}));
    EXPECT_EQ(findings[0].effect, Effect::Refused);

    // Names from the file stay on one line at a bounded length, and a long
    // list is cut.
    gltf = plain_model();
    gltf.extensionsUsed = {"EXT_line\nbreak", std::string(100, 'x')};
    for (int i = 0; i < 20; ++i) gltf.extensionsUsed.push_back("EXT_" + std::to_string(i));
    const std::string listed = find_model_findings(gltf).at(0).message;
    EXPECT_NE(listed.find("EXT_line?break, " + std::string(64, 'x') + "..., EXT_0"), std::string::npos) << listed;
    EXPECT_NE(listed.find("EXT_9 and 10 more"), std::string::npos) << listed;
    gltf.scenes.clear();
    EXPECT_EQ(find_model_findings(gltf).back().message, "has no scene: nothing of it is drawn");
}

class ModelFindingsLoadTest : public GlTest {
protected:
    // The model loaded from the test data, and what it reported.
    std::unique_ptr<Model> load(const std::string& name) {
        said.clear();
        const DiagnosticScope collect([this](const Diagnostic& d) { said.push_back(d.text); });
        JsonValue value = JsonValue::object();
        value["filename"] = test_data_path("gltf/" + name);
        return std::make_unique<Model>(value);
    }
    bool said_once(const std::string& text) const { return std::count(said.begin(), said.end(), text) == 1; }

    Lines said;
};

TEST_F(ModelFindingsLoadTest, IgnoredFeaturesAreNoticedOnceAndAnUnsupportedRequirementRefusesTheModel) {
    auto model = load("unknown_extension.gltf");
    EXPECT_TRUE(model->parsed);
    EXPECT_TRUE(
        said_once("Model " + model->filename + ": uses glTF extensions the player ignores: EXT_made_up_feature"))
        << testing::PrintToString(said);
    EXPECT_TRUE(model_load_errors(*model).empty());

    model = load("morph_targets.gltf");
    EXPECT_TRUE(model->parsed);
    EXPECT_TRUE(said_once("Model " + model->filename +
                          ": morph targets of 1 primitive (mesh 0 primitive 0) are ignored: drawn in their base shape"))
        << testing::PrintToString(said);

    // Refused: nothing of it is kept to draw, and check and pack see why.
    model = load("required_extension.gltf");
    EXPECT_FALSE(model->parsed);
    EXPECT_TRUE(model->gltf.nodes.empty());
    EXPECT_TRUE(model->vertex_arrays.empty());
    EXPECT_EQ(model_load_errors(*model),
              (Lines{"model \"" + model->filename +
                     "\": requires the glTF extension EXT_made_up_required, which the player does not support; the "
                     "model is not drawn"}));

    // Unusable instancing becomes a finding of the model too.
    std::ifstream in(test_data_path("gltf/gpu_instancing.gltf"));
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string broken = std::regex_replace(text, std::regex(R"("SCALE": [0-9]+)"), R"("SCALE": 99)");
    ASSERT_NE(broken, text);
    JsonValue value = JsonValue::object();
    value["filename"] = "broken_instancing.gltf";
    value["buffer"] = ByteBuffer(broken.data(), broken.size()).to_json(false);
    const DiagnosticScope quiet([](const Diagnostic&) {});
    model = std::make_unique<Model>(value);
    ASSERT_EQ(model->findings.size(), 1u);
    EXPECT_EQ(model->findings[0].subject, Subject::Instancing);
    EXPECT_EQ(model->findings[0].message.rfind("node 1: EXT_mesh_gpu_instancing ignored (drawn once): SCALE: ", 0), 0u)
        << model->findings[0].message;
    EXPECT_TRUE(model->gpu_instancing.of_node(1).empty());
}

}  // namespace quillbarrow
