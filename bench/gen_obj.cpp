// gen_obj.cpp: writes large OBJ test models: closed tessellated tori.
//
//   gen_obj full DIR      DIR/full.obj: v, vn, vt, f a/b/c, four groups and materials (~1M triangles)
//   gen_obj positions DIR DIR/positions.obj: v and f a b c only (~5M triangles)
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>

static void writeTorus(FILE* f, int rings, int sides, bool full) {
    const double pi = 3.14159265358979323846;
    // ring radius 1, tube radius 0.35
    for (int i = 0; i < rings; i++) {
        double u = 2 * pi * i / rings;
        for (int j = 0; j < sides; j++) {
            double w = 2 * pi * j / sides;
            double r = 1.0 + 0.35 * cos(w);
            fprintf(f, "v %.6f %.6f %.6f\n", r * cos(u), r * sin(u), 0.35 * sin(w));
        }
    }
    if (full) {
        for (int i = 0; i < rings; i++) {
            double u = 2 * pi * i / rings;
            for (int j = 0; j < sides; j++) {
                double w = 2 * pi * j / sides;
                fprintf(f, "vn %.6f %.6f %.6f\n", cos(w) * cos(u), cos(w) * sin(u), sin(w));
            }
        }
        for (int i = 0; i <= rings; i++)
            for (int j = 0; j <= sides; j++) fprintf(f, "vt %.6f %.6f\n", double(i) / rings, double(j) / sides);
    }
    const char* const materials[4] = {"red", "green", "blue", "gold"};
    for (int i = 0; i < rings; i++) {
        if (full && i % (rings / 4) == 0 && i / (rings / 4) < 4) {
            int k = i / (rings / 4);
            fprintf(f, "g part%d\nusemtl %s\n", k, materials[k]);
        }
        int i1 = (i + 1) % rings;
        for (int j = 0; j < sides; j++) {
            int j1 = (j + 1) % sides;
            int a = i * sides + j + 1, b = i1 * sides + j + 1, c = i1 * sides + j1 + 1, d = i * sides + j1 + 1;
            if (full) {
                int ta = i * (sides + 1) + j + 1, tb = (i + 1) * (sides + 1) + j + 1;
                int tc = tb + 1, td = ta + 1;
                fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, ta, a, b, tb, b, c, tc, c);
                fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, ta, a, c, tc, c, d, td, d);
            } else {
                fprintf(f, "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
            }
        }
    }
}

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[1], "full") != 0 && strcmp(argv[1], "positions") != 0)) {
        fprintf(stderr, "usage: gen_obj full|positions DIR\n");
        return 2;
    }
    bool full = strcmp(argv[1], "full") == 0;
    std::string path = std::string(argv[2]) + "/" + argv[1] + ".obj";
    FILE* f = fopen(path.c_str(), "w");
    if (!f) {
        perror(path.c_str());
        return 1;
    }
    if (full) {
        fprintf(f, "# torus, 1M triangles\nmtllib full.mtl\n");
        FILE* m = fopen((std::string(argv[2]) + "/full.mtl").c_str(), "w");
        if (!m) return 1;
        fprintf(m, "newmtl red\nKd 0.8 0.1 0.1\nKs 0.5 0.5 0.5\nNs 200\nnewmtl green\nKd 0.1 0.8 0.1\n"
                   "newmtl blue\nKd 0.1 0.1 0.8\nnewmtl gold\nKd 0.65 0.55 0.15\nKa 0.1 0.05 0\nNs 800\n");
        fclose(m);
        writeTorus(f, 1000, 500, true);
    } else {
        writeTorus(f, 2500, 1000, false);
    }
    fclose(f);
    return 0;
}
