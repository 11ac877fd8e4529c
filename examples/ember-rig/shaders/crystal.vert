#version 150
#extension GL_ARB_explicit_attrib_location : require

layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;

uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelViewMatrix;

out vec3 vViewNormal;
out vec3 vViewPosition;

void main() {
    vec4 position = vec4(POSITION, 1.0);
    // Node animation moves whole nodes; the world matrix carries it.
    vViewNormal = mat3(uModelViewMatrix) * NORMAL;
    vViewPosition = (uModelViewMatrix * position).xyz;
    gl_Position = uModelViewProjMatrix * position;
}
