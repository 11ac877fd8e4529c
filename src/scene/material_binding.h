#pragma once

namespace quillbarrow {

class Model;

// Binds a texture on a unit (a GL_TEXTURE0 + n enum; 0, an effect that never
// set it, means unit 0) and sets the sampler uniform at location to it.
void bind_texture_on_unit(int unit, unsigned int texture, int location);

// glTF alpha modes as "uAlphaMode" sends them.
enum class AlphaMode { Opaque = 0, Mask = 1, Blend = 2 };

// A material's alpha mode; OPAQUE for a missing material or an unknown mode.
AlphaMode alpha_mode_of(const Model& model, int material);

// While it lives, a primitive of a BLEND material drawn in the visible pass
// blends over what is behind it (source alpha over one minus source alpha,
// as the window blends) and leaves the depth buffer as it was, so it hides
// nothing drawn after it; the previous blend state and depth mask come back
// at its end. In the shadow pass, and for other modes, it changes nothing:
// a BLEND primitive casts its shadow as an opaque one.
class BlendedPrimitive {
public:
    BlendedPrimitive(const Model& model, int material, bool shadow_pass);
    ~BlendedPrimitive();
    BlendedPrimitive(const BlendedPrimitive&) = delete;
    BlendedPrimitive& operator=(const BlendedPrimitive&) = delete;

private:
    bool active_ = false;
    bool blend_was_enabled_ = false;
    int source_rgb_ = 0, destination_rgb_ = 0, source_alpha_ = 0, destination_alpha_ = 0;
    unsigned char depth_mask_ = 1;
};

}  // namespace quillbarrow
