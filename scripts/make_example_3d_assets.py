#!/usr/bin/env python3
"""Makes the resources of the bundled 3D example production "ember-rig":

- resources/creature.glb: a glowing tentacle skinned to a chain of five
  joints, with a "sway" and a "curl" animation, and the floor it stands on
  (one asset, so the floor can receive the tentacle's shadow: shadow maps
  are per scene). The floor node is tagged 0, the skinned node 1; the
  vertex shader skins and instances only tagged geometry.
- resources/crystal.glb: an unskinned crystal with two rings and four
  shards, each animated by node channels (translation, rotation, scale;
  LINEAR and STEP) in three animations that the project plays by mask.
- resources/music.mp3: 32 s at 120 BPM, synthesised here, encoded by lame.

Every byte is written by this script. Run from the repository root.
"""
import json
import math
import os
import random
import struct
import subprocess
import wave

OUT = "examples/ember-rig/resources"
RATE = 44100
BPM = 120
BEAT = 60.0 / BPM
SECONDS = 32.0

FLOAT, UNSIGNED_BYTE, UNSIGNED_SHORT = 5126, 5121, 5123
ARRAY_BUFFER, ELEMENT_ARRAY_BUFFER = 34962, 34963

# The tentacle: a chain of joints up the y axis.
JOINT_COUNT = 5
SEGMENT = 0.8          # joint spacing
HEIGHT = SEGMENT * (JOINT_COUNT - 1) + 0.4  # the tip reaches past the last joint
ANIMATION_SECONDS = 2.0


# ---------------------------------------------------------------- glTF writer

class GltfBuilder:
    """Collects one binary buffer, its views and accessors, and writes a GLB."""

    def __init__(self):
        self.blob = bytearray()
        self.doc = {"asset": {"version": "2.0", "generator": "make_example_3d_assets.py"},
                    "buffers": [], "bufferViews": [], "accessors": [], "meshes": [], "nodes": [],
                    "materials": [], "scenes": [], "scene": 0}

    def _view(self, data, target=None):
        while len(self.blob) % 4:
            self.blob.append(0)
        view = {"buffer": 0, "byteOffset": len(self.blob), "byteLength": len(data)}
        if target is not None:
            view["target"] = target
        self.blob += data
        self.doc["bufferViews"].append(view)
        return len(self.doc["bufferViews"]) - 1

    def accessor(self, kind, component, values, target=None, bounds=False):
        """values: a flat list; kind: SCALAR, VEC2, VEC3, VEC4 or MAT4."""
        width = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4, "MAT4": 16}[kind]
        assert len(values) % width == 0
        fmt = {FLOAT: "f", UNSIGNED_BYTE: "B", UNSIGNED_SHORT: "H"}[component]
        data = struct.pack("<%d%s" % (len(values), fmt), *values)
        accessor = {"bufferView": self._view(data, target), "componentType": component,
                    "count": len(values) // width, "type": kind}
        if bounds:
            columns = [values[i::width] for i in range(width)]
            accessor["min"] = [min(c) for c in columns]
            accessor["max"] = [max(c) for c in columns]
        self.doc["accessors"].append(accessor)
        return len(self.doc["accessors"]) - 1

    def material(self, name, rgba, metallic=0.0, roughness=0.8, emissive=None, emissive_strength=None):
        material = {"name": name, "pbrMetallicRoughness": {
            "baseColorFactor": rgba, "metallicFactor": metallic, "roughnessFactor": roughness}}
        if emissive:
            material["emissiveFactor"] = emissive
        if emissive_strength is not None:
            material["extensions"] = {"KHR_materials_emissive_strength": {"emissiveStrength": emissive_strength}}
            self.doc.setdefault("extensionsUsed", []).append("KHR_materials_emissive_strength")
        self.doc["materials"].append(material)
        return len(self.doc["materials"]) - 1

    def mesh(self, name, positions, normals, indices, material, joints=None, weights=None):
        attributes = {"POSITION": self.accessor("VEC3", FLOAT, positions, ARRAY_BUFFER, bounds=True),
                      "NORMAL": self.accessor("VEC3", FLOAT, normals, ARRAY_BUFFER)}
        if joints is not None:
            attributes["JOINTS_0"] = self.accessor("VEC4", UNSIGNED_BYTE, joints, ARRAY_BUFFER)
            attributes["WEIGHTS_0"] = self.accessor("VEC4", FLOAT, weights, ARRAY_BUFFER)
        primitive = {"attributes": attributes, "material": material, "mode": 4,
                     "indices": self.accessor("SCALAR", UNSIGNED_SHORT, indices, ELEMENT_ARRAY_BUFFER)}
        self.doc["meshes"].append({"name": name, "primitives": [primitive]})
        return len(self.doc["meshes"]) - 1

    def node(self, **fields):
        self.doc["nodes"].append(fields)
        return len(self.doc["nodes"]) - 1

    def animation(self, name, channels):
        """channels: (node, path, times, flat values, interpolation)."""
        samplers, out = [], []
        for node, path, times, values, interpolation in channels:
            kind = "VEC4" if path == "rotation" else "VEC3"
            samplers.append({"input": self.accessor("SCALAR", FLOAT, times, bounds=True),
                             "output": self.accessor(kind, FLOAT, values),
                             "interpolation": interpolation})
            out.append({"sampler": len(samplers) - 1, "target": {"node": node, "path": path}})
        self.doc.setdefault("animations", []).append({"name": name, "samplers": samplers, "channels": out})

    def glb(self):
        while len(self.blob) % 4:
            self.blob.append(0)
        self.doc["buffers"] = [{"byteLength": len(self.blob)}]
        text = json.dumps(self.doc, separators=(",", ":")).encode()
        text += b" " * ((4 - len(text) % 4) % 4)
        body = struct.pack("<I4s", len(text), b"JSON") + text + struct.pack("<I4s", len(self.blob), b"BIN\0") + self.blob
        return struct.pack("<4sII", b"glTF", 2, 12 + len(body)) + body


# ---------------------------------------------------------------- small maths

def quat_axis_angle(axis, angle):
    x, y, z = axis
    n = math.sqrt(x * x + y * y + z * z)
    s = math.sin(angle / 2) / n
    return [x * s, y * s, z * s, math.cos(angle / 2)]


def quat_mul(a, b):
    ax, ay, az, aw = a
    bx, by, bz, bw = b
    return [aw * bx + ax * bw + ay * bz - az * by,
            aw * by - ax * bz + ay * bw + az * bx,
            aw * bz + ax * by - ay * bx + az * bw,
            aw * bw - ax * bx - ay * by - az * bz]


def translation_matrix(x, y, z):
    """Column-major, as glTF stores matrices."""
    return [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1]


def keys(count):
    return [ANIMATION_SECONDS * i / (count - 1) for i in range(count)]


# ---------------------------------------------------------------- the creature

def tentacle():
    """A tapering, ribbed tube up the y axis with a pointed tip; every ring
    is weighted between the two joints it lies between."""
    rings, sides = 28, 14
    positions, normals, joints, weights, indices = [], [], [], [], []
    for r in range(rings + 1):
        y = HEIGHT * r / rings
        taper = 1.0 - y / HEIGHT
        radius = 0.06 + 0.34 * taper ** 0.8
        radius *= 1.0 + 0.10 * math.sin(y * 11.0)  # ribs
        slope = 0.34 * 0.8 * taper ** -0.2 / HEIGHT if taper > 0 else 0.0
        along = y / SEGMENT
        lower = min(int(along), JOINT_COUNT - 1)
        upper = min(lower + 1, JOINT_COUNT - 1)
        f = along - lower if upper != lower else 0.0
        for s in range(sides):
            a = 2 * math.pi * s / sides
            c, sn = math.cos(a), math.sin(a)
            positions += [radius * c, y, radius * sn]
            n = (c, slope, sn)
            length = math.sqrt(sum(v * v for v in n))
            normals += [v / length for v in n]
            joints += [lower, upper, 0, 0]
            weights += [1.0 - f, f, 0.0, 0.0]
    tip = len(positions) // 3
    positions += [0.0, HEIGHT + 0.12, 0.0]
    normals += [0.0, 1.0, 0.0]
    joints += [JOINT_COUNT - 1, 0, 0, 0]
    weights += [1.0, 0.0, 0.0, 0.0]
    for r in range(rings):
        for s in range(sides):
            a, b = r * sides + s, r * sides + (s + 1) % sides
            c, d = a + sides, b + sides
            indices += [a, c, b, b, c, d]
    top = rings * sides
    for s in range(sides):
        indices += [top + s, tip, top + (s + 1) % sides]
    return positions, normals, joints, weights, indices


def floor():
    half = 40.0
    positions = [-half, 0, -half, half, 0, -half, half, 0, half, -half, 0, half]
    return positions, [0.0, 1.0, 0.0] * 4, [0, 2, 1, 0, 3, 2]


def sway_channels(joint_nodes):
    times = keys(17)
    channels = []
    for k, node in enumerate(joint_nodes):
        values = []
        for t in times:
            phase = 2 * math.pi * t / ANIMATION_SECONDS
            side = 0.42 * (0.4 + 0.6 * k / (JOINT_COUNT - 1)) * math.sin(phase - 0.7 * k)
            fore = 0.12 * math.cos(phase - 0.7 * k)
            values += quat_mul(quat_axis_angle((0, 0, 1), side), quat_axis_angle((1, 0, 0), fore))
        channels.append((node, "rotation", times, values, "LINEAR"))
    return channels


def curl_channels(joint_nodes):
    times = keys(13)
    channels = []
    for k, node in enumerate(joint_nodes):
        values = []
        for t in times:
            amount = 0.5 + 0.5 * math.cos(2 * math.pi * t / ANIMATION_SECONDS)  # 1 -> 0 -> 1
            bend = 0.75 * amount * (k / (JOINT_COUNT - 1)) if k else 0.0
            twist = 0.9 * amount if k == 0 else 0.0
            values += quat_mul(quat_axis_angle((0, 1, 0), twist), quat_axis_angle((1, 0, 0), -bend))
        channels.append((node, "rotation", times, values, "LINEAR"))
    # The root squashes as the arm curls and springs back: fully curled at
    # the start of the cycle, so a cycle per beat or two hits on the kick.
    values = []
    for t in times:
        amount = 0.5 + 0.5 * math.cos(2 * math.pi * t / ANIMATION_SECONDS)
        values += [1.0 + 0.15 * amount, 1.0 - 0.18 * amount, 1.0 + 0.15 * amount]
    channels.append((joint_nodes[0], "scale", times, values, "LINEAR"))
    return channels


def creature():
    g = GltfBuilder()
    floor_material = g.material("slate", [0.36, 0.40, 0.50, 1.0])
    ember_material = g.material("ember", [1.0, 0.42, 0.12, 1.0], roughness=0.5, emissive=[1.0, 0.42, 0.12])
    fp, fn, fi = floor()
    floor_mesh = g.mesh("floor", fp, fn, fi, floor_material)
    tp, tn, tj, tw, ti = tentacle()
    tentacle_mesh = g.mesh("tentacle", tp, tn, ti, ember_material, tj, tw)

    # Joint nodes first in the skin, root first; each child one segment up.
    joint_nodes = []
    for k in range(JOINT_COUNT):
        joint_nodes.append(g.node(name="joint%d" % k, translation=[0.0, 0.0 if k == 0 else SEGMENT, 0.0]))
    for parent, child in zip(joint_nodes, joint_nodes[1:]):
        g.doc["nodes"][parent]["children"] = [child]
    inverse_binds = []
    for k in range(JOINT_COUNT):
        inverse_binds += translation_matrix(0.0, -SEGMENT * k, 0.0)
    g.doc["skins"] = [{"name": "arm", "joints": joint_nodes, "skeleton": joint_nodes[0],
                       "inverseBindMatrices": g.accessor("MAT4", FLOAT, inverse_binds)}]
    # The floor only receives shadows: leaving it out of the shadow pass
    # spares the software rasteriser the whole shadow map's worth of fill.
    floor_node = g.node(name="floor", mesh=floor_mesh, extras={"tag": 0, "ignore_shadow": True})
    arm_node = g.node(name="tentacle", mesh=tentacle_mesh, skin=0, extras={"tag": 1})
    g.doc["scenes"] = [{"name": "stage", "nodes": [floor_node, arm_node, joint_nodes[0]]}]
    g.animation("sway", sway_channels(joint_nodes))
    g.animation("curl", curl_channels(joint_nodes))
    return g.glb()


# ---------------------------------------------------------------- the crystal

def faceted(triangles):
    """Flat-shaded mesh from a list of (a, b, c) corner triples."""
    positions, normals, indices = [], [], []
    for a, b, c in triangles:
        u = [b[i] - a[i] for i in range(3)]
        v = [c[i] - a[i] for i in range(3)]
        n = [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]
        length = math.sqrt(sum(x * x for x in n))
        for p in (a, b, c):
            indices.append(len(positions) // 3)
            positions += list(p)
            normals += [x / length for x in n]
    return positions, normals, indices


def bipyramid(sides=6, radius=0.42, top=0.9, bottom=0.6):
    ring = [(radius * math.cos(2 * math.pi * i / sides), 0.0, radius * math.sin(2 * math.pi * i / sides))
            for i in range(sides)]
    up, down = (0.0, top, 0.0), (0.0, -bottom, 0.0)
    triangles = []
    for i in range(sides):
        a, b = ring[i], ring[(i + 1) % sides]
        triangles += [(a, up, b), (b, down, a)]
    return faceted(triangles)


def torus(major, minor, segments=32, sides=6):
    positions, normals, indices = [], [], []
    for i in range(segments):
        a = 2 * math.pi * i / segments
        for j in range(sides):
            b = 2 * math.pi * j / sides
            n = (math.cos(a) * math.cos(b), math.sin(b), math.sin(a) * math.cos(b))
            positions += [math.cos(a) * major + minor * n[0], minor * n[1], math.sin(a) * major + minor * n[2]]
            normals += list(n)
    for i in range(segments):
        for j in range(sides):
            a = i * sides + j
            b = i * sides + (j + 1) % sides
            c = ((i + 1) % segments) * sides + j
            d = ((i + 1) % segments) * sides + (j + 1) % sides
            indices += [a, b, c, b, d, c]
    return positions, normals, indices


def tetrahedron(size=0.12):
    p = [(size, size, size), (-size, -size, size), (-size, size, -size), (size, -size, -size)]
    return faceted([(p[0], p[1], p[2]), (p[0], p[3], p[1]), (p[0], p[2], p[3]), (p[1], p[3], p[2])])


CRYSTAL_HEIGHT = 4.2
EYE_RADIUS, EYE_LIFT = 3.2, 0.8


def crystal():
    g = GltfBuilder()
    ice = g.material("ice", [0.40, 0.90, 1.0, 1.0], metallic=0.1, roughness=0.2)
    gold = g.material("gold", [1.0, 0.78, 0.32, 1.0], metallic=1.0, roughness=0.3)
    spark = g.material("spark", [1.0, 0.95, 0.8, 1.0], emissive=[1.0, 0.6, 0.25], emissive_strength=0.6)
    core_mesh = g.mesh("core", *bipyramid(), ice)
    ring_mesh = g.mesh("ring", *torus(0.85, 0.045), gold)
    shard_mesh = g.mesh("shard", *tetrahedron(), spark)
    # Node animation replaces an animated node's whole world matrix, so every
    # animated node is a root node holding its own absolute placement.
    no_shadow = {"ignore_shadow": True}
    core = g.node(name="core", mesh=core_mesh, translation=[0.0, CRYSTAL_HEIGHT, 0.0], extras=no_shadow)
    ring_a = g.node(name="ring_a", mesh=ring_mesh, translation=[0.0, CRYSTAL_HEIGHT, 0.0],
                    rotation=quat_axis_angle((1, 0, 0), 0.35), extras=no_shadow)
    ring_b = g.node(name="ring_b", mesh=ring_mesh, translation=[0.0, CRYSTAL_HEIGHT, 0.0],
                    rotation=quat_axis_angle((0, 0, 1), -0.5), scale=[1.25, 1.25, 1.25], extras=no_shadow)
    shards = []
    for i in range(4):
        a = math.pi / 2 * i + math.pi / 4
        shards.append(g.node(name="shard%d" % i, mesh=shard_mesh,
                             translation=[1.3 * math.cos(a), CRYSTAL_HEIGHT + (0.25 if i % 2 else -0.25), 1.3 * math.sin(a)],
                             extras=no_shadow))
    # The close-up's camera, as an editor exports a camera path: glTF camera
    # 0 on the node "eye", which circles the crystal in "spin" (the
    # animation every mask plays) looking at its core along its -z.
    g.doc["cameras"] = [{"name": "close-up", "type": "perspective",
                         "perspective": {"yfov": 0.7, "znear": 0.1, "zfar": 60.0}}]
    eye = g.node(name="eye", camera=0, translation=[0.0, CRYSTAL_HEIGHT + EYE_LIFT, EYE_RADIUS])
    g.doc["scenes"] = [{"name": "crystal", "nodes": [core, ring_a, ring_b] + shards + [eye]}]

    # 0 "spin": the core turns about y, a full turn in five keys.
    times = keys(5)
    eye_times = keys(17)
    eye_angles = [2 * math.pi * t / ANIMATION_SECONDS for t in eye_times]
    g.animation("spin", [(core, "rotation", times,
                          sum((quat_axis_angle((0, 1, 0), 2 * math.pi * t / ANIMATION_SECONDS) for t in times), []),
                          "LINEAR"),
                         (eye, "translation", eye_times,
                          sum(([EYE_RADIUS * math.sin(a), CRYSTAL_HEIGHT + EYE_LIFT * math.cos(2 * a),
                                EYE_RADIUS * math.cos(a)] for a in eye_angles), []), "LINEAR"),
                         (eye, "rotation", eye_times,
                          sum((quat_mul(quat_axis_angle((0, 1, 0), a),
                                        quat_axis_angle((1, 0, 0), -math.atan2(EYE_LIFT * math.cos(2 * a), EYE_RADIUS)))
                               for a in eye_angles), []), "LINEAR")])
    # 1 "orbit": the rings tumble about tilted axes and bob.
    times = keys(9)
    orbit = []
    for node, axis, tilt, lift in ((ring_a, (0.3, 1.0, 0.0), (1, 0, 0), 0.18), (ring_b, (-0.4, 1.0, 0.2), (0, 0, 1), -0.14)):
        rest = quat_axis_angle(tilt, 0.35 if node == ring_a else -0.5)
        rotations, moves = [], []
        for t in times:
            phase = 2 * math.pi * t / ANIMATION_SECONDS
            rotations += quat_mul(quat_axis_angle(axis, phase if node == ring_a else -phase), rest)
            moves += [0.0, CRYSTAL_HEIGHT + lift * math.sin(phase), 0.0]
        orbit += [(node, "rotation", times, rotations, "LINEAR"), (node, "translation", times, moves, "LINEAR")]
    g.animation("orbit", orbit)
    # 2 "blink": the shards pop in steps, one after another.
    times = keys(5)
    blink = []
    for i, node in enumerate(shards):
        sizes = []
        for k in range(len(times)):
            s = 1.8 if k % 4 == i else 0.7
            sizes += [s, s, s]
        blink.append((node, "scale", times, sizes, "STEP"))
    g.animation("blink", blink)
    return g.glb()


# ---------------------------------------------------------------- the music

def write_wav(path, left, right):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        frames = bytearray()
        for l, r in zip(left, right):
            frames += struct.pack("<hh", max(-32767, min(32767, int(l * 32767))),
                                  max(-32767, min(32767, int(r * 32767))))
        w.writeframes(bytes(frames))


def add(track, at, samples, gain=1.0):
    for i, s in enumerate(samples):
        if 0 <= at + i < len(track):
            track[at + i] += s * gain


def kick():
    out = []
    for i in range(int(0.3 * RATE)):
        t = i / RATE
        f = 45 + 110 * math.exp(-t * 35)
        out.append(math.sin(2 * math.pi * f * t) * math.exp(-t * 8) * 0.8)
    return out


def snare(rng):
    out = []
    for i in range(int(0.2 * RATE)):
        t = i / RATE
        out.append(((rng.random() * 2 - 1) * 0.6 + math.sin(2 * math.pi * 190 * t) * 0.4) * math.exp(-t * 18) * 0.45)
    return out


def pluck(freq, seconds, brightness=1.0):
    out = []
    for i in range(int(seconds * RATE)):
        t = i / RATE
        phase = (freq * t) % 1.0
        square = 1.0 if phase < 0.5 else -1.0
        sine = math.sin(2 * math.pi * freq * t)
        out.append((sine * (1 - 0.4 * brightness) + square * 0.4 * brightness) * math.exp(-t * 7))
    return out


def music():
    """A minor drone piece: kick on every beat, snare on 2 and 4 from bar 5,
    a bass line of eighths, an arpeggio from bar 9 and a swelling pad."""
    n = int(RATE * SECONDS)
    left, right = [0.0] * n, [0.0] * n
    rng = random.Random(11)
    roots = [55.0, 55.0, 43.65, 49.0]            # A1 A1 F1 G1, one per bar
    arps = [[220.0, 261.6, 329.6, 440.0], [220.0, 261.6, 329.6, 440.0],
            [174.6, 220.0, 261.6, 349.2], [196.0, 246.9, 293.7, 392.0]]
    k, sn = kick(), snare(rng)
    bass_cache, arp_cache = {}, {}
    beats = int(SECONDS / BEAT)
    for b in range(beats):
        start = int(b * BEAT * RATE)
        bar = (b // 4) % 4
        add(left, start, k)
        add(right, start, k)
        if b >= 16 and b % 2 == 1:
            add(left, start, sn, 0.9)
            add(right, start, sn)
        if b >= 4:
            f = roots[bar] * 2
            if f not in bass_cache:
                bass_cache[f] = pluck(f, BEAT / 2, 0.7)
            for half in range(2):
                at = start + int(half * BEAT * RATE / 2)
                add(left, at, bass_cache[f], 0.32)
                add(right, at, bass_cache[f], 0.32)
        if b >= 32:
            for q in range(4):
                f = arps[bar][(q + b) % 4] * 2
                if f not in arp_cache:
                    arp_cache[f] = pluck(f, BEAT / 2, 0.3)
                at = start + int(q * BEAT * RATE / 4)
                pan = 0.5 + 0.4 * math.sin(q * 1.7 + b)
                add(left, at, arp_cache[f], 0.10 * (1 - pan))
                add(right, at, arp_cache[f], 0.10 * pan)
    # The pad: each bar's chord, fading in over the first eight bars.
    for i in range(n):
        t = i / RATE
        bar = int(t / (4 * BEAT)) % 4
        swell = min(1.0, t / (16 * BEAT)) * min(1.0, (SECONDS - t) / 2.0)
        s = sum(math.sin(2 * math.pi * f * 0.5 * t + j) for j, f in enumerate(arps[bar][:3])) * 0.035 * swell
        left[i] += s * (1 + 0.3 * math.sin(t * 0.9))
        right[i] += s * (1 - 0.3 * math.sin(t * 0.9))
    peak = max(max(abs(x) for x in left), max(abs(x) for x in right))
    return [x / peak * 0.9 for x in left], [x / peak * 0.9 for x in right]


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    with open(f"{OUT}/creature.glb", "wb") as f:
        f.write(creature())
    with open(f"{OUT}/crystal.glb", "wb") as f:
        f.write(crystal())
    l, r = music()
    write_wav("/tmp/ember-rig-music.wav", l, r)
    subprocess.run(["lame", "--quiet", "-b", "48", "/tmp/ember-rig-music.wav", f"{OUT}/music.mp3"], check=True)
    os.remove("/tmp/ember-rig-music.wav")
