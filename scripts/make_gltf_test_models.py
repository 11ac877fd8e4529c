#!/usr/bin/env python3
"""Writes small glTF models that each exercise one feature of the loader.

Run from the repository root: python3 scripts/make_gltf_test_models.py
Each model embeds its buffer as a data URI; the expected values the tests
check are worked out in the comments beside the data.
"""
import base64
import json
import math
import os
import struct

OUT = os.path.join("tests", "data", "gltf")
FLOAT, USHORT, UBYTE = 5126, 5123, 5121


class Asset:
    """Collects buffer data, views and accessors of one embedded buffer."""

    def __init__(self):
        self.data = bytearray()
        self.views = []
        self.accessors = []

    def view(self, payload):
        while len(self.data) % 4:
            self.data += b"\0"
        self.views.append({"buffer": 0, "byteOffset": len(self.data), "byteLength": len(payload)})
        self.data += payload
        return len(self.views) - 1

    def floats(self, kind, rows, minmax=False):
        flat = [v for row in rows for v in (row if isinstance(row, (list, tuple)) else [row])]
        accessor = {"bufferView": self.view(struct.pack("<%df" % len(flat), *flat)),
                    "componentType": FLOAT, "count": len(rows), "type": kind}
        if minmax:
            width = len(rows[0])
            accessor["min"] = [min(r[i] for r in rows) for i in range(width)]
            accessor["max"] = [max(r[i] for r in rows) for i in range(width)]
        self.accessors.append(accessor)
        return len(self.accessors) - 1

    def joints(self, count, joint):
        """JOINTS_0 of count vertices, each weighted wholly to one joint."""
        accessor = {"bufferView": self.view(struct.pack("<%dB" % (4 * count), *([joint, 0, 0, 0] * count))),
                    "componentType": UBYTE, "count": count, "type": "VEC4"}
        self.accessors.append(accessor)
        return len(self.accessors) - 1

    def write(self, name, document):
        document["asset"] = {"version": "2.0", "generator": "scripts/make_gltf_test_models.py"}
        document["buffers"] = [{"byteLength": len(self.data), "uri": "data:application/octet-stream;base64," +
                                base64.b64encode(bytes(self.data)).decode()}]
        document["bufferViews"] = self.views
        document["accessors"] = self.accessors
        with open(os.path.join(OUT, name), "w") as f:
            json.dump(document, f, indent=1)
            f.write("\n")


TRIANGLE = [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)]


def quarter_turn_z():
    s = math.sqrt(0.5)
    return [0.0, 0.0, s, s]


def cubic_spline():
    # Keys at 0 s and 2 s, in-tangent, value, out-tangent per key.
    # Translation: value (0,0,0) with out-tangent (3,0,0), then in-tangent 0
    # and value (4,0,0). At 1 s (u = 0.5) the Hermite basis is 0.5, 0.125,
    # 0.5, -0.125 and the tangents are scaled by the 2 s interval:
    # x = 0.125 * 2 * 3 + 0.5 * 4 = 2.75.
    # Rotation: identity to a quarter turn about z with zero tangents; at
    # 1 s the blend is half of each, normalised: 45 degrees about z.
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    times = a.floats("SCALAR", [0.0, 2.0])
    move = a.floats("VEC3", [(0, 0, 0), (0, 0, 0), (3, 0, 0), (0, 0, 0), (4, 0, 0), (0, 0, 0)])
    turn = a.floats("VEC4", [(0, 0, 0, 0), (0, 0, 0, 1), (0, 0, 0, 0),
                             (0, 0, 0, 0), tuple(quarter_turn_z()), (0, 0, 0, 0)])
    a.write("cubic_spline_triangle.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "moved", "mesh": 0}, {"name": "turned"}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}}]}],
        "animations": [{"name": "spline", "samplers": [
            {"input": times, "output": move, "interpolation": "CUBICSPLINE"},
            {"input": times, "output": turn, "interpolation": "CUBICSPLINE"}],
            "channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}},
                         {"sampler": 1, "target": {"node": 1, "path": "rotation"}}]}],
    })


def hierarchy_animation():
    # root (translation 0,0,5) > parent (quarter turn about z, translation
    # animated 0..10 on x over 0..1 s) > child (translation animated from
    # (1,0,0) to (1,2,0) over 0..2 s, with the mesh). The animation spans
    # 0..2 s, the longer sampler's range. At 1 s the parent is at (10,0,0)
    # and the child's local (1,1,0) turns to (-1,1,0): the child's world
    # position is (9,1,5). At 0.5 s: (5,0,0) + (-0.5,1,0) + (0,0,5).
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    short_times = a.floats("SCALAR", [0.0, 1.0])
    long_times = a.floats("SCALAR", [0.0, 2.0])
    parent_move = a.floats("VEC3", [(0, 0, 0), (10, 0, 0)])
    child_move = a.floats("VEC3", [(1, 0, 0), (1, 2, 0)])
    a.write("hierarchy_animation.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "root", "translation": [0, 0, 5], "children": [1]},
                  {"name": "parent", "rotation": quarter_turn_z(), "children": [2]},
                  {"name": "child", "translation": [1, 0, 0], "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}}]}],
        "animations": [{"name": "carry", "samplers": [
            {"input": short_times, "output": parent_move},
            {"input": long_times, "output": child_move}],
            "channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}},
                         {"sampler": 1, "target": {"node": 2, "path": "translation"}}]}],
    })


def sparse_accessor(a, count, indices, values, base=None):
    """A VEC3 float accessor of count elements, sparse over base (or zeros)."""
    index_view = a.view(struct.pack("<%dH" % len(indices), *indices))
    flat = [v for row in values for v in row]
    value_view = a.view(struct.pack("<%df" % len(flat), *flat))
    accessor = {"componentType": FLOAT, "count": count, "type": "VEC3",
                "sparse": {"count": len(indices),
                           "indices": {"bufferView": index_view, "componentType": USHORT},
                           "values": {"bufferView": value_view}}}
    if base is not None:
        accessor["bufferView"] = a.accessors[base]["bufferView"]
        del a.accessors[base]
    a.accessors.append(accessor)
    return len(a.accessors) - 1


def sparse_positions():
    # Primitive 0: the triangle with vertex 2 moved from (0,1,0) to (0,3,0).
    # Primitive 1: no buffer view, so zeros, with vertices 1 and 2 set to
    # (2,0,0) and (0,2,0).
    a = Asset()
    base = a.floats("VEC3", TRIANGLE)
    moved = sparse_accessor(a, 3, [2], [(0.0, 3.0, 0.0)], base=base)
    from_zeros = sparse_accessor(a, 3, [1, 2], [(2.0, 0.0, 0.0), (0.0, 2.0, 0.0)])
    a.write("sparse_positions.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "sparse", "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": moved}},
                                   {"attributes": {"POSITION": from_zeros}}]}],
    })


def sparse_animation():
    # A translation sampler over 0..1 s whose output has no buffer view:
    # zeros, with key 1 set to (0,4,0). Halfway the node is at (0,2,0).
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    times = a.floats("SCALAR", [0.0, 1.0])
    move = sparse_accessor(a, 2, [1], [(0.0, 4.0, 0.0)])
    a.write("sparse_animation.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"name": "lifted", "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}}]}],
        "animations": [{"name": "lift", "samplers": [{"input": times, "output": move}],
                        "channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}}]}],
    })


IDENTITY = [1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0]
# A square of side 2 centred on the origin in the xy plane, facing +z
# (counter-clockwise seen from +z), as two triangles.
SQUARE = [(-1.0, -1.0, 0.0), (1.0, -1.0, 0.0), (1.0, 1.0, 0.0),
          (-1.0, -1.0, 0.0), (1.0, 1.0, 0.0), (-1.0, 1.0, 0.0)]


def skinned_square(a, joint):
    """A primitive of SQUARE weighted wholly to one joint."""
    return {"attributes": {"POSITION": a.floats("VEC3", SQUARE, minmax=True), "JOINTS_0": a.joints(len(SQUARE), joint),
                           "WEIGHTS_0": a.floats("VEC4", [(1.0, 0.0, 0.0, 0.0)] * len(SQUARE))}}


def skin_under_rotated_node():
    # armature (a quarter turn about z, translation animated from (0,0,0)
    # to (4,0,0) over 0..1 s) > joint "root" (translation (1,0,0)) > joint
    # "tip" (translation (0,2,0)). The skinned mesh node sits at (0,0,-1);
    # both inverse bind matrices are the identity, and the square is
    # weighted to the tip. At 0.5 s the armature is at (2,0,0): the tip's
    # world matrix takes the origin to (2,0,0) + turn((1,2,0)) = (0,1,0);
    # out of the mesh node's space that is (0,1,1), and drawn with the mesh
    # node's matrix the square's centre lands at (0,1,0). Joint matrix 0 at
    # 0.5 s takes the origin to (2,1,1).
    a = Asset()
    square = skinned_square(a, 1)
    ibm = a.floats("MAT4", [IDENTITY, IDENTITY])
    times = a.floats("SCALAR", [0.0, 1.0])
    move = a.floats("VEC3", [(0, 0, 0), (4, 0, 0)])
    a.write("skin_under_rotated_node.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 3]}],
        "nodes": [{"name": "armature", "rotation": quarter_turn_z(), "children": [1]},
                  {"name": "root", "translation": [1, 0, 0], "children": [2]},
                  {"name": "tip", "translation": [0, 2, 0]},
                  {"name": "skinned", "mesh": 0, "skin": 0, "translation": [0, 0, -1]}],
        "skins": [{"name": "rig", "joints": [1, 2], "inverseBindMatrices": ibm}],
        "meshes": [{"primitives": [square]}],
        "animations": [{"name": "carry", "samplers": [{"input": times, "output": move}],
                        "channels": [{"sampler": 0, "target": {"node": 0, "path": "translation"}}]}],
    })


def two_skins():
    # Two skinned squares with skins of their own: "left" is weighted to
    # joint node 2 at (-2,0,0) (skin 0), "right" to joint node 3 at (2,0,0)
    # (skin 1); identity inverse bind matrices. "lifted" is a third mesh node
    # with skin 0, at (0,3,0): its joint matrix is translate(0,-3,0) x
    # translate(-2,0,0), so it draws where "left" does.
    a = Asset()
    left = skinned_square(a, 0)
    right = skinned_square(a, 0)
    ibm = a.floats("MAT4", [IDENTITY])
    a.write("two_skins.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3, 4]}],
        "nodes": [{"name": "left", "mesh": 0, "skin": 0},
                  {"name": "right", "mesh": 1, "skin": 1},
                  {"name": "left joint", "translation": [-2, 0, 0]},
                  {"name": "right joint", "translation": [2, 0, 0]},
                  {"name": "lifted", "mesh": 0, "skin": 0, "translation": [0, 3, 0]}],
        "skins": [{"name": "left", "joints": [2], "inverseBindMatrices": ibm},
                  {"name": "right", "joints": [3], "inverseBindMatrices": ibm}],
        "meshes": [{"primitives": [left]}, {"primitives": [right]}],
    })


def face_culling():
    # Four squares in a row along x, seen from +z. "front" faces the viewer
    # (single-sided, drawn); "back" is turned half round about y, so the
    # viewer sees its back (single-sided: culled); "two sided" is turned the
    # same way with a double-sided material (drawn); "mirrored" is mirrored
    # in x, which flips its winding on screen while its front still faces
    # the viewer (drawn).
    a = Asset()
    positions = a.floats("VEC3", SQUARE, minmax=True)
    half_turn_y = [0.0, 1.0, 0.0, 0.0]
    a.write("face_culling.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3]}],
        "nodes": [{"name": "front", "mesh": 0, "translation": [-4.5, 0, 0]},
                  {"name": "back", "mesh": 0, "translation": [-1.5, 0, 0], "rotation": half_turn_y},
                  {"name": "two sided", "mesh": 1, "translation": [1.5, 0, 0], "rotation": half_turn_y},
                  {"name": "mirrored", "mesh": 0, "translation": [4.5, 0, 0], "scale": [-1, 1, 1]}],
        "materials": [{"name": "one side"}, {"name": "both sides", "doubleSided": True}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}, "material": 0}]},
                   {"primitives": [{"attributes": {"POSITION": positions}, "material": 1}]}],
    })


def no_default_scene():
    # Two scenes and no "scene": the first one (the triangle) is drawn.
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    a.write("no_default_scene.gltf", {
        "scenes": [{"nodes": [0]}, {"nodes": [1]}],
        "nodes": [{"name": "shown", "mesh": 0}, {"name": "hidden", "mesh": 0, "translation": [5, 0, 0]}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}}]}],
    })


def animated_camera():
    # rig (translation (1,0,0), scale 2) > eye (holds camera 0; translation
    # animated from (0,0,5) to (2,0,5) over 0..1 s). At 0.5 s the eye's
    # local (1,0,5) is doubled and moved: its world position is (3,0,10),
    # and the view takes the point (3,0,0) to (0,0,-10) (the scale is not
    # part of the view). Camera 0 is perspective (yfov 0.8, znear 0.1, no
    # zfar: infinite), camera 1 orthographic (xmag 2, ymag 1, znear 0.5,
    # zfar 10) on node "side"; camera 2 is held by no node. A square at the
    # origin is what the cameras see.
    a = Asset()
    positions = a.floats("VEC3", SQUARE, minmax=True)
    times = a.floats("SCALAR", [0.0, 1.0])
    move = a.floats("VEC3", [(0, 0, 5), (2, 0, 5)])
    a.write("animated_camera.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 2, 3]}],
        "nodes": [{"name": "rig", "translation": [1, 0, 0], "scale": [2, 2, 2], "children": [1]},
                  {"name": "eye", "camera": 0, "translation": [0, 0, 5]},
                  {"name": "side", "camera": 1, "translation": [0, 0, 4]},
                  {"name": "square", "mesh": 0}],
        "cameras": [{"type": "perspective", "perspective": {"yfov": 0.8, "znear": 0.1}},
                    {"type": "orthographic", "orthographic": {"xmag": 2, "ymag": 1, "znear": 0.5, "zfar": 10}},
                    {"type": "perspective", "perspective": {"yfov": 0.5, "znear": 1, "zfar": 20}}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}}]}],
        "animations": [{"name": "dolly", "samplers": [{"input": times, "output": move}],
                        "channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}}]}],
    })


if __name__ == "__main__":
    cubic_spline()
    hierarchy_animation()
    sparse_positions()
    sparse_animation()
    skin_under_rotated_node()
    two_skins()
    face_culling()
    no_default_scene()
    animated_camera()
