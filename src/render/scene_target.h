#pragma once

#include <string>

class ShaderProgram;

// What an effect needs from a 3D scene it draws: a shadow target to draw
// into first, then the scene itself. Scenes implement it.
class SceneTarget {
public:
    virtual ~SceneTarget() = default;
    virtual const std::string& scene_name() const = 0;
    virtual unsigned int shadow_framebuffer() const = 0;
    virtual unsigned int shadow_map() const = 0;
    virtual int shadow_map_width() const = 0;
    virtual int shadow_map_height() const = 0;
    virtual void set_shadow_pass(bool on) = 0;
    virtual void render(ShaderProgram* program) = 0;
    // Joint matrices of the scene's skinned model, uploaded to binding
    // point 0 before drawing; false when there is no skeleton.
    virtual bool upload_joint_matrices() { return false; }
};
