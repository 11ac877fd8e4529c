#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/gl_object.h"
#include "serialization/object_key.h"
#include "serialization/serializable.h"

namespace quillbarrow {

class FontTexture;
class Scene;
class ShaderProgram;
class Texture;

using program_hook = std::function<void(ShaderProgram*)>;

// The block a capture texture is first made from (rows bottom-up); captures
// themselves are copied on the GPU.
struct Buffer {
    Buffer(int width, int height);
    virtual ~Buffer() = default;
    std::unique_ptr<unsigned char[]> data;
    int size = 0;
    int width = 0;
    int height = 0;
};

// One drawing step: binds a program and its inputs on numbered texture
// units, sends the built-in uniforms, lets the event send the user uniforms,
// then draws a full-screen quad (or a scene, shadow pass first). It draws
// into whatever framebuffer is bound; as another effect's input it draws
// into its own framebuffer, whose texture that effect then reads.
class Effect : public ISerializable {
public:
    Effect() = default;
    explicit Effect(const JsonValue& value);
    explicit Effect(BinaryReader& in);
    // Direct construction (the loading screen): sets up its GPU objects at
    // once when it has a program.
    Effect(std::string name, ShaderProgram* program, Texture* texture, Effect* input, bool feedback,
           bool screen_texture, Scene* scene);
    ~Effect() override = default;

    JsonValue to_json(bool export_resources) const override;
    void write(BinaryWriter& out) const override;
    void from_json(const JsonValue& value) override;
    void read(BinaryReader& in) override;

    void link_references(const JsonValue& value, const NameMap<Effect>& effects, const NameMap<Texture>& textures,
                         const NameMap<ShaderProgram>& programs, const NameMap<FontTexture>& font_textures,
                         const NameMap<Scene>& scenes);
    void resolve_references(const ObjectMap& objects);
    void setup_gpu_objects();

    void render(const program_hook& hook, bool render_inputs);
    int bind_inputs(ShaderProgram* with, bool render_inputs);
    void set_builtin_uniforms(ShaderProgram* with);
    void unbind_texture_units(int count);
    void reset_user_uniforms(ShaderProgram* with);
    void capture_screen();
    void ensure_capture_target();

    std::vector<Texture*> textures;
    std::vector<Effect*> effects;
    std::vector<FontTexture*> font_textures;
    ShaderProgram* program = nullptr;
    Scene* scene = nullptr;
    std::string name;
    bool feedback = false;
    bool screen_texture = false;
    GlBuffer quad_vertex_buffer;
    GlVertexArray quad_vertex_array;
    std::unique_ptr<Buffer> capture_buffer;
    GlTexture capture_texture;
    GlFramebuffer framebuffer;
    GlTexture framebuffer_texture;

    // References that matched no record; kept so that writing the project
    // back loses nothing.
    struct Unresolved {
        std::vector<std::string> textures, effects, font_textures;
        std::string program, scene;
    } unresolved;

private:
    void report_unresolved() const;
    void draw_scene(const program_hook& hook, bool render_inputs);
    void upload_joint_matrices();

    int quad_attribute_location_ = -1;  // where the quad's vertices are fed

    // Object keys between a binary read and resolve_references.
    struct Keys {
        std::vector<std::uint64_t> textures, effects, font_textures;
        std::uint64_t program = 0, scene = 0;
    } keys_;
};

}  // namespace quillbarrow
