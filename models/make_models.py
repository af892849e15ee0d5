#!/usr/bin/env python3
"""make_models.py: writes the small sample models of this tree.

  scene.obj + scene.mtl  four groups with four materials: a sphere, a torus, a box, a plate
  vase.obj               a surface of revolution open at the top, without materials
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


class Mesh:
    def __init__(self):
        self.lines = []
        self.vertices = 0

    def vertex(self, x, y, z):
        self.lines.append("v %.5f %.5f %.5f" % (x, y, z))
        self.vertices += 1
        return self.vertices

    def face(self, *corners):
        self.lines.append("f " + " ".join(str(c) for c in corners))


def grid(mesh, rows, columns, point, wrap_columns=True, wrap_rows=False):
    """Vertices on a parametric grid and quads between them, counter-clockwise outwards."""
    index = {}
    for i in range(rows + (0 if wrap_rows else 1)):
        for j in range(columns + (0 if wrap_columns else 1)):
            index[i, j] = mesh.vertex(*point(i / rows, j / columns))
    for i in range(rows):
        for j in range(columns):
            i1 = (i + 1) % rows if wrap_rows else i + 1
            j1 = (j + 1) % columns if wrap_columns else j + 1
            mesh.face(index[i, j], index[i, j1], index[i1, j1], index[i1, j])


def sphere(cx, cy, cz, r):
    def point(u, v):
        theta, phi = math.pi * u, 2 * math.pi * v
        return (cx + r * math.sin(theta) * math.cos(phi), cy + r * math.cos(theta), cz - r * math.sin(theta) * math.sin(phi))
    return point


def torus(cx, cy, cz, big, small):
    def point(u, v):
        a, b = 2 * math.pi * u, 2 * math.pi * v
        ring = big + small * math.cos(b)
        return (cx + ring * math.cos(a), cy + small * math.sin(b), cz - ring * math.sin(a))
    return point


def box(mesh, x0, y0, z0, x1, y1, z1):
    c = [mesh.vertex(x, y, z) for x in (x0, x1) for y in (y0, y1) for z in (z0, z1)]
    # corners: index = 4*x + 2*y + z
    for quad in ((0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)):
        mesh.face(*(c[q] for q in quad))


def write_scene():
    mesh = Mesh()
    mesh.lines += ["# four objects in four groups", "mtllib scene.mtl"]
    mesh.lines += ["g plate", "usemtl green"]
    box(mesh, -1.6, -0.75, -1.2, 1.6, -0.65, 1.2)
    mesh.lines += ["g ball", "usemtl red"]
    grid(mesh, 24, 48, sphere(-0.8, -0.05, 0.2, 0.6), wrap_columns=True)
    mesh.lines += ["g ring", "usemtl gold"]
    grid(mesh, 64, 24, torus(0.75, -0.25, 0.1, 0.55, 0.18), wrap_columns=True, wrap_rows=True)
    mesh.lines += ["g block", "usemtl blue"]
    box(mesh, 0.2, -0.65, -0.9, 0.9, 0.35, -0.3)
    with open(os.path.join(HERE, "scene.obj"), "w") as f:
        f.write("\n".join(mesh.lines) + "\n")
    with open(os.path.join(HERE, "scene.mtl"), "w") as f:
        f.write("# materials of scene.obj\n"
                "newmtl green\nKa 0.05 0.15 0.05\nKd 0.2 0.6 0.25\nKs 0.1 0.1 0.1\nNs 50\n"
                "newmtl red\nKa 0.2 0.02 0.02\nKd 0.85 0.12 0.1\nKs 0.6 0.6 0.6\nNs 400\n"
                "newmtl gold\nKa 0.1 0.05 0.0\nKd 0.65 0.55 0.15\nKs 0.85 0.75 0.45\nNs 780\n"
                "newmtl blue\nKa 0.02 0.04 0.2\nKd 0.15 0.3 0.85\nKs 0.3 0.3 0.3\nNs 120\n")


def write_vase():
    mesh = Mesh()
    mesh.lines += ["# a vase, open at the top, no materials"]

    def point(u, v):
        y = -1 + 2 * u
        r = 0.35 + 0.3 * math.sin(math.pi * (u * 1.3 + 0.1)) + 0.08 * math.cos(6 * u)
        a = 2 * math.pi * v
        return (r * math.cos(a), y, -r * math.sin(a))

    grid(mesh, 40, 48, point, wrap_columns=True)
    with open(os.path.join(HERE, "vase.obj"), "w") as f:
        f.write("\n".join(mesh.lines) + "\n")


if __name__ == "__main__":
    write_scene()
    write_vase()
