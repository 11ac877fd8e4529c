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
import zlib

OUT = os.path.join("tests", "data", "gltf")
FLOAT, USHORT, UBYTE = 5126, 5123, 5121
NEAREST, LINEAR, LINEAR_MIPMAP_LINEAR = 9728, 9729, 9987
REPEAT, CLAMP_TO_EDGE, MIRRORED_REPEAT = 10497, 33071, 33648


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


def png(rows):
    """An RGBA PNG from rows of (r, g, b, a) pixels, top row first, as a data URI."""
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    return {"uri": "data:image/png;base64," + base64.b64encode(data).decode()}


RED, GREEN, BLUE, WHITE = (255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 255)


def quad(a, width, height, u_range, v_range=(0.0, 1.0), z=0.0):
    """A quad facing +z centred on the origin, u across x and v down y (the
    image's top at the top), as POSITION, NORMAL and TEXCOORD accessors."""
    x, y = width / 2, height / 2
    # Counter-clockwise seen from +z, so that back-face culling keeps them.
    corners = [(-x, y), (-x, -y), (x, y), (x, y), (-x, -y), (x, -y)]
    positions = [(cx, cy, z) for cx, cy in corners]
    uvs = [(u_range[0] + (cx + x) / width * (u_range[1] - u_range[0]),
            v_range[0] + (y - cy) / height * (v_range[1] - v_range[0])) for cx, cy in corners]
    return (a.floats("VEC3", positions, minmax=True), a.floats("VEC3", [(0.0, 0.0, 1.0)] * 6),
            a.floats("VEC2", uvs))


def sampler_wrap():
    # One 2x1 image, red left and green right, sampled NEAREST by three
    # textures with different wrap modes, each on a 3 x 1 quad whose u runs
    # from -1 to 2 (x from -1.5 to 1.5, so u = x + 0.5): node 0 at y = 1.2
    # REPEAT, node 1 at y = 0 MIRRORED_REPEAT, node 2 at y = -1.2
    # CLAMP_TO_EDGE. At u = -0.75, -0.25, 0.25, 0.75, 1.25, 1.75:
    #   REPEAT           red green red green red green  (fract u)
    #   MIRRORED_REPEAT  green red red green green red  (u mod 2, past 1 mirrored)
    #   CLAMP_TO_EDGE    red red red green green green
    # Node 3 at y = -2.4 has u from 0 to 256 with LINEAR_MIPMAP_LINEAR: seen
    # from afar it samples the 1x1 mipmap level, the mean of red and green
    # (127 or 128, 127 or 128, 0); without mipmaps the texture would be
    # incomplete and sample black.
    a = Asset()
    positions, normals, wide = quad(a, 3.0, 1.0, (-1.0, 2.0))
    # The quad's corners run left, left, right, right, left, right.
    fine = a.floats("VEC2", [(256.0 * right, 0.5) for right in (0, 0, 1, 1, 0, 1)])
    samplers = [{"magFilter": NEAREST, "minFilter": NEAREST, "wrapS": REPEAT, "wrapT": REPEAT},
                {"magFilter": NEAREST, "minFilter": NEAREST, "wrapS": MIRRORED_REPEAT, "wrapT": MIRRORED_REPEAT},
                {"magFilter": NEAREST, "minFilter": NEAREST, "wrapS": CLAMP_TO_EDGE, "wrapT": CLAMP_TO_EDGE},
                {"magFilter": LINEAR, "minFilter": LINEAR_MIPMAP_LINEAR}]
    meshes = [{"primitives": [{"attributes": {"POSITION": positions, "NORMAL": normals,
                                              "TEXCOORD_0": fine if i == 3 else wide}, "material": i}]}
              for i in range(4)]
    a.write("sampler_wrap.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3]}],
        "nodes": [{"mesh": i, "translation": [0.0, 1.2 - 1.2 * i, 0.0]} for i in range(4)],
        "meshes": meshes,
        "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": i}, "metallicFactor": 0.0}}
                      for i in range(4)],
        "textures": [{"source": 0, "sampler": i} for i in range(4)],
        "samplers": samplers,
        "images": [png([[RED, GREEN]])],
    })


def texture_transform():
    # A 2 x 2 quad whose TEXCOORD_0 is all zeros and TEXCOORD_1 runs over
    # the image (u across, v down). The base colour texture (2x2: red top
    # left, green top right, blue bottom left, white bottom right; NEAREST,
    # clamped) reads set 1 through KHR_texture_transform's texCoord, turned
    # a quarter (rotation pi/2: u' = v, v' = -u) and offset by (0, 1), so
    # (u, v) samples (v, 1 - u): the quad's top left shows blue, top right
    # red, bottom left white, bottom right green.
    a = Asset()
    positions, normals, uvs = quad(a, 2.0, 2.0, (0.0, 1.0))
    zeros = a.floats("VEC2", [(0.0, 0.0)] * 6)
    a.write("texture_transform.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "extensionsUsed": ["KHR_texture_transform"],
        "nodes": [{"mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions, "NORMAL": normals,
                                                   "TEXCOORD_0": zeros, "TEXCOORD_1": uvs}, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"metallicFactor": 0.0, "baseColorTexture": {
            "index": 0, "extensions": {"KHR_texture_transform": {
                "offset": [0.0, 1.0], "rotation": math.pi / 2, "texCoord": 1}}}}}],
        "textures": [{"source": 0, "sampler": 0}],
        "samplers": [{"magFilter": NEAREST, "minFilter": NEAREST, "wrapS": CLAMP_TO_EDGE, "wrapT": CLAMP_TO_EDGE}],
        "images": [png([[RED, GREEN], [BLUE, WHITE]])],
    })


def normal_map():
    # Two 1 x 1 quads facing +z without TANGENT, normal-mapped, so the
    # player generates tangents. Node 0 at x = -0.8: u along +x, v down
    # the image: tangent (1, 0, 0), and up the image is +y = cross(normal,
    # tangent), so w = 1. Node 1 at x = 0.8 mirrors u (u along -x): tangent
    # (-1, 0, 0), up the image still +y = -cross(normal, tangent): w = -1.
    # The material carries the rest of a metallic-roughness material too:
    # normal scale 0.5, occlusion strength 0.75 (same image), emissive
    # (1, 0.5, 0.25) at strength 2 (KHR_materials_emissive_strength), MASK
    # with cutoff 0.25, and no base colour texture.
    a = Asset()
    positions, normals, uvs = quad(a, 1.0, 1.0, (0.0, 1.0))
    mirrored = quad(a, 1.0, 1.0, (1.0, 0.0))[2]
    material = {"pbrMetallicRoughness": {"metallicFactor": 0.0},
                "normalTexture": {"index": 0, "scale": 0.5},
                "occlusionTexture": {"index": 0, "strength": 0.75},
                "emissiveFactor": [1.0, 0.5, 0.25],
                "extensions": {"KHR_materials_emissive_strength": {"emissiveStrength": 2.0}},
                "alphaMode": "MASK", "alphaCutoff": 0.25}
    a.write("normal_map.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 1]}],
        "extensionsUsed": ["KHR_materials_emissive_strength"],
        "nodes": [{"mesh": 0, "translation": [-0.8, 0.0, 0.0]}, {"mesh": 1, "translation": [0.8, 0.0, 0.0]}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions, "NORMAL": normals, "TEXCOORD_0": t},
                                    "material": 0}]} for t in (uvs, mirrored)],
        "materials": [material],
        "textures": [{"source": 0}],
        "images": [png([[(128, 128, 255, 255)]])],
    })


def alpha_blend():
    # Two overlapping quads at x = 0: node 0, a half-transparent red BLEND
    # quad at z = 1, drawn before node 1, an opaque blue quad at z = 0
    # behind it. The blended quad leaves depth alone, so the blue one still
    # draws behind it and covers it: blue. Node 2 (BLEND, z = 1) and node 3
    # (opaque blue, z = 0) at x = 3 come the other way round: half red over
    # blue, (128, 0, 128) with a shader that writes the factor's alpha.
    a = Asset()
    positions, normals, _ = quad(a, 1.0, 1.0, (0.0, 1.0))
    a.write("alpha_blend.gltf", {
        "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3]}],
        "nodes": [{"mesh": 0, "translation": [0.0, 0.0, 1.0]}, {"mesh": 1},
                  {"mesh": 1, "translation": [3.0, 0.0, 0.0]}, {"mesh": 0, "translation": [3.0, 0.0, 1.0]}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions, "NORMAL": normals}, "material": m}]}
                   for m in (0, 1)],
        "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [1.0, 0.0, 0.0, 0.5]}, "alphaMode": "BLEND"},
                      {"pbrMetallicRoughness": {"baseColorFactor": [0.0, 0.0, 1.0, 1.0]}}],
    })


BOX_CORNERS = [tuple(0.5 if (i >> axis) & 1 else -0.5 for axis in range(3)) for i in range(8)]
# Counter-clockwise seen from outside, so that back-face culling keeps them.
BOX_INDICES = [0, 6, 2, 0, 4, 6, 1, 7, 5, 1, 3, 7, 0, 5, 4, 0, 1, 5,
               2, 7, 3, 2, 6, 7, 0, 3, 1, 0, 2, 3, 4, 7, 6, 4, 5, 7]


def ushorts(a, values):
    a.accessors.append({"bufferView": a.view(struct.pack("<%dH" % len(values), *values)),
                        "componentType": USHORT, "count": len(values), "type": "SCALAR"})
    return len(a.accessors) - 1


def gpu_instancing():
    # A grey 10 x 10 floor at y = 0 and a node lifted to y = 1.5 whose blue
    # unit box is drawn three times: at x = -3; at x = 0 turned 45 degrees
    # about z (a diamond reaching 0.707 from its centre in the xy plane);
    # and at x = 3 scaled 2 on x and y (covering x 2..4, y 0.5..2.5).
    a = Asset()
    box = a.floats("VEC3", BOX_CORNERS, minmax=True)
    box_indices = ushorts(a, BOX_INDICES)
    floor = a.floats("VEC3", [(-5, 0, -5), (5, 0, -5), (5, 0, 5), (-5, 0, 5)], minmax=True)
    floor_indices = ushorts(a, [0, 2, 1, 0, 3, 2])
    s = math.sin(math.pi / 8)
    c = math.cos(math.pi / 8)
    translations = a.floats("VEC3", [(-3, 0, 0), (0, 0, 0), (3, 0, 0)])
    rotations = a.floats("VEC4", [(0, 0, 0, 1), (0, 0, s, c), (0, 0, 0, 1)])
    scales = a.floats("VEC3", [(1, 1, 1), (1, 1, 1), (2, 2, 1)])
    a.write("gpu_instancing.gltf", {
        "extensionsUsed": ["EXT_mesh_gpu_instancing"],
        "scene": 0, "scenes": [{"nodes": [0, 1]}],
        "nodes": [{"name": "floor", "mesh": 1},
                  {"name": "boxes", "mesh": 0, "translation": [0, 1.5, 0],
                   "extensions": {"EXT_mesh_gpu_instancing": {"attributes": {
                       "TRANSLATION": translations, "ROTATION": rotations, "SCALE": scales}}}}],
        "materials": [{"pbrMetallicRoughness": {"baseColorFactor": [0.2, 0.2, 1.0, 1.0], "metallicFactor": 0.0}},
                      {"pbrMetallicRoughness": {"baseColorFactor": [0.8, 0.8, 0.8, 1.0], "metallicFactor": 0.0}}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": box}, "indices": box_indices, "material": 0}]},
                   {"primitives": [{"attributes": {"POSITION": floor}, "indices": floor_indices, "material": 1}]}],
    })


def triangle_with_extensions(name, used, required):
    # A plain triangle whose material carries the extensions it names.
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    document = {
        "extensionsUsed": used,
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"mesh": 0}],
        "materials": [{"extensions": {extension: {} for extension in used}}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": positions}, "material": 0}]}],
    }
    if required:
        document["extensionsRequired"] = required
    a.write(name, document)


def morph_targets():
    # The triangle with one morph target moving vertex 2 up by 1, weighted
    # 0.5: a player that honoured it would draw vertex 2 at (0,1.5,0).
    a = Asset()
    positions = a.floats("VEC3", TRIANGLE, minmax=True)
    offsets = a.floats("VEC3", [(0, 0, 0), (0, 0, 0), (0, 1, 0)], minmax=True)
    a.write("morph_targets.gltf", {
        "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"mesh": 0}],
        "meshes": [{"weights": [0.5],
                    "primitives": [{"attributes": {"POSITION": positions}, "targets": [{"POSITION": offsets}]}]}],
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
    sampler_wrap()
    texture_transform()
    normal_map()
    alpha_blend()
    cubic_spline()
    hierarchy_animation()
    sparse_positions()
    sparse_animation()
    gpu_instancing()
    # The texture transform is honoured, so only the made-up extension is
    # listed as ignored.
    triangle_with_extensions("unknown_extension.gltf", ["EXT_made_up_feature", "KHR_texture_transform"], [])
    triangle_with_extensions("required_extension.gltf", ["EXT_made_up_required"], ["EXT_made_up_required"])
    morph_targets()
    skin_under_rotated_node()
    two_skins()
    face_culling()
    no_default_scene()
    animated_camera()
