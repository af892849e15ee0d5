// bench_geometry.cpp: times the geometry operations on a large model against the load and
// against the least work any vertex-normal method does.
//
//   bench_geometry FILE [RUNS]
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <algorithm>
#include <vector>
#include "bench/bench_time.h"
#include "glm/glm.h"

// the baseline: each triangle's facet normal summed into its three vertices, then normalised
static double sumIntoVertices(const GlmModel* m) {
    double start = now();
    std::vector<float> sums((m->vertexCount + 1) * 3, 0.0f);
    for (uint32_t i = 0; i < m->triangleCount; i++) {
        const GlmTriangle& t = m->triangleArray[i];
        const float* n = &m->facetNormalData[3 * t.facetNormalIndex];
        for (int c = 0; c < 3; c++) {
            float* s = &sums[3 * t.vertexIndex[c]];
            s[0] += n[0];
            s[1] += n[1];
            s[2] += n[2];
        }
    }
    for (uint32_t k = 1; k <= m->vertexCount; k++) {
        float* s = &sums[3 * k];
        float l = sqrtf(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        if (l > 0) s[0] /= l, s[1] /= l, s[2] /= l;
    }
    volatile float sink = sums[3];
    (void)sink;
    return now() - start;
}

// the first touch of as much fresh memory as glmVertexNormals's use lists take
static double touchFreshMemory(size_t bytes) {
    double start = now();
    char* block = static_cast<char*>(malloc(bytes));
    for (size_t i = 0; i < bytes; i += 4096) block[i] = 1;
    volatile char sink = block[bytes / 2];
    (void)sink;
    free(block);
    return now() - start;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_geometry FILE [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    std::vector<double> load, fit, facets, normals, baseline, touch;
    uint32_t triangles = 0;
    for (int r = 0; r < runs; r++) {
        double t0 = now();
        GlmModel* m = glmReadOBJ(argv[1]);
        double t1 = now();
        glmFitUnitCube(m);
        double t2 = now();
        glmComputeFacetNormals(m);
        double t3 = now();
        fflush(stdout);
        glmVertexNormals(m, 90.0f);
        double t4 = now();
        baseline.push_back(sumIntoVertices(m));
        touch.push_back(touchFreshMemory(3 * static_cast<size_t>(m->triangleCount) * 4));
        load.push_back(t1 - t0), fit.push_back(t2 - t1), facets.push_back(t3 - t2), normals.push_back(t4 - t3);
        triangles = m->triangleCount;
        glmDelete(m);
    }
    double all = median(fit) + median(facets) + median(normals);
    printf("%s: %u triangles, medians of %d runs\n", argv[1], triangles, runs);
    printf("  load %.3f s; glmFitUnitCube %.3f s, glmComputeFacetNormals %.3f s, glmVertexNormals %.3f s\n",
           median(load), median(fit), median(facets), median(normals));
    printf("  baseline (sum facet normals into vertices) %.3f s: glmVertexNormals is %.2fx it\n", median(baseline),
           median(normals) / median(baseline));
    printf("  first touch of the use lists' %zu MB alone: %.3f s\n", 3 * static_cast<size_t>(triangles) * 4 >> 20,
           median(touch));
    printf("  the three operations %.3f s: %.2fx the load\n", all, all / median(load));
    return 0;
}
