// gen_obj.cpp: writes large OBJ test models: closed tessellated tori.
//
//   gen_obj full DIR      DIR/full.obj: v, vn, vt, f a/b/c, four groups and materials (~1M triangles)
//   gen_obj positions DIR DIR/positions.obj: v and f a b c only (~5M triangles)
//   gen_obj textured DIR  DIR/textured.obj: as full, each material with a 4096 x 4096 JPEG map
//   gen_obj groups DIR    DIR/groups.obj: 1,000,000 groups of one triangle each (CAD and scanner exports)
//   gen_obj torus M DIR   DIR/torusMm.obj: v and f a b c only, M million triangles (M of 1 to 50)
#include <SDL.h>
#include <SDL_image.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

static void writeTorus(FILE* f, int rings, int sides, bool full) {
    // a buffer of its own: the 25-million-triangle torus is a gigabyte
    static char buffer[1 << 20];
    setvbuf(f, buffer, _IOFBF, sizeof buffer);
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

// A 4096 x 4096 JPEG with detail everywhere, as a photographed or painted map has: waves
// of a few sizes and grain.
static bool writeMap(const std::string& path, int seed) {
    const int size = 4096;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, size, size, 24, SDL_PIXELFORMAT_RGB24);
    if (!s) return false;
    unsigned state = 12345u + seed;
    for (int y = 0; y < size; y++) {
        unsigned char* row = static_cast<unsigned char*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < size; x++) {
            state = state * 1664525u + 1013904223u;
            double wave = sin(x * 0.013 + seed) * cos(y * 0.021) + 0.5 * sin((x + y) * 0.11);
            for (int c = 0; c < 3; c++)
                row[3 * x + c] = static_cast<unsigned char>(
                    fmin(255, fmax(0, 128 + 60 * wave * (c + 1 + seed % 3) / 3 + ((state >> (8 * c)) & 31))));
        }
    }
    bool written = IMG_SaveJPG(s, path.c_str(), 90) == 0;
    SDL_FreeSurface(s);
    return written;
}

// A million named groups, each one triangle of a strip.
static void writeGroups(FILE* f) {
    const int groups = 1000000;
    for (int i = 0; i <= groups + 1; i++) fprintf(f, "v %d %d 0\n", i / 2, i % 2);
    for (int i = 0; i < groups; i++) fprintf(f, "g part%d\nf %d %d %d\n", i, i + 1, i + 2, i + 3);
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "torus") == 0) {
        int millions = atoi(argv[2]);
        if (millions < 1 || millions > 50) return 2;
        FILE* f = fopen((std::string(argv[3]) + "/torus" + argv[2] + "m.obj").c_str(), "w");
        if (!f) return 1;
        // 2 * rings * sides triangles, about twice as many rings as sides
        int rings = 1000 * static_cast<int>(lround(sqrt(millions)));
        int sides = millions * 500000 / rings;
        writeTorus(f, rings, sides, false);
        return fclose(f) == 0 ? 0 : 1;
    }
    bool textured = argc == 3 && strcmp(argv[1], "textured") == 0;
    if (argc == 3 && strcmp(argv[1], "groups") == 0) {
        FILE* f = fopen((std::string(argv[2]) + "/groups.obj").c_str(), "w");
        if (!f) return 1;
        writeGroups(f);
        fclose(f);
        return 0;
    }
    if (argc != 3 || (strcmp(argv[1], "full") != 0 && strcmp(argv[1], "positions") != 0 && !textured)) {
        fprintf(stderr, "usage: gen_obj full|positions|textured|groups DIR, or gen_obj torus MILLIONS DIR\n");
        return 2;
    }
    bool full = strcmp(argv[1], "full") == 0 || textured;
    std::string path = std::string(argv[2]) + "/" + argv[1] + ".obj";
    FILE* f = fopen(path.c_str(), "w");
    if (!f) {
        perror(path.c_str());
        return 1;
    }
    if (textured) {
        fprintf(f, "# torus, 1M triangles, four maps\nmtllib textured.mtl\n");
        FILE* m = fopen((std::string(argv[2]) + "/textured.mtl").c_str(), "w");
        if (!m) return 1;
        const char* const names[4] = {"red", "green", "blue", "gold"};
        for (int k = 0; k < 4; k++) {
            std::string map = "map" + std::to_string(k) + ".jpg";
            fprintf(m, "newmtl %s\nKd 1 1 1\nmap_Kd %s\n", names[k], map.c_str());
            if (!writeMap(std::string(argv[2]) + "/" + map, k)) return 1;
        }
        fclose(m);
        writeTorus(f, 1000, 500, true);
    } else if (full) {
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
