// bench_read.cpp: loads one OBJ file once, in one of three ways, and reports time and memory.
//
//   bench_read glm|tinyobj|fastobj|read FILE
// (fastobj only where the benchmark was built with the peer reader)
// prints: "<way> <seconds> <peak resident KiB> <model array bytes>"
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <tiny_obj_loader.h>
#include "bench/bench_time.h"
#include "glm/glm.h"
#ifdef BENCH_FAST_OBJ
#include <fast_obj.h>
#endif

// bytes of the arrays a model owns (strings and group lists are negligible)
static size_t modelBytes(const GlmModel* m) {
    size_t bytes = (m->vertexCount + 1) * 3 * sizeof(float) + m->triangleCount * sizeof(GlmTriangle) +
                   m->triangleCount * sizeof(int32_t);
    if (m->normalData) bytes += (m->normalCount + 1) * 3 * sizeof(float);
    if (m->texCoordData) bytes += (m->texCoordCount + 1) * 2 * sizeof(float);
    return bytes;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_read glm|tinyobj|fastobj|read FILE\n");
        return 2;
    }
    const char* way = argv[1];
    const char* path = argv[2];
    size_t arrays = 0;
    double start = now();
    if (strcmp(way, "glm") == 0) {
        GlmModel* m = glmReadOBJ(path);
        arrays = modelBytes(m);
    } else if (strcmp(way, "tinyobj") == 0) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        std::string dir = path;
        dir = dir.substr(0, dir.find_last_of('/') + 1);
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, dir.c_str(), true)) {
            fprintf(stderr, "tinyobj: %s\n", err.c_str());
            return 1;
        }
        arrays = attrib.vertices.size() * 4;
#ifdef BENCH_FAST_OBJ
    } else if (strcmp(way, "fastobj") == 0) {
        fastObjMesh* m = fast_obj_read(path);
        if (!m) return 1;
        arrays = (m->position_count * 3 + m->texcoord_count * 2 + m->normal_count * 3) * sizeof(float);
#endif
    } else if (strcmp(way, "read") == 0) {
        // the floor: one read of the whole file into one buffer
        int fd = open(path, O_RDONLY);
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0) return 1;
        char* buffer = static_cast<char*>(malloc(st.st_size + 1));
        size_t used = 0;
        ssize_t n;
        while ((n = read(fd, buffer + used, st.st_size + 1 - used)) > 0) used += n;
        close(fd);
        arrays = used;
        volatile char sink = buffer[used / 2];
        (void)sink;
    } else {
        fprintf(stderr, "bench_read: unknown way \"%s\"\n", way);
        return 2;
    }
    double seconds = now() - start;
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%s %.4f %ld %zu\n", way, seconds, usage.ru_maxrss, arrays);
    return 0;
}
