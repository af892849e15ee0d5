// solids.cpp: the icosahedron and the pulsing dodecahedron, their lights and material.
#include "demo/solids.h"
#include <GL/gl.h>
#include <math.h>

// corners on the unit sphere, from X = 0.525731087 and Z = 0.850650787 (bits 0x3F069650, 0x3F59C440)
static const float X = 0x1.0d2ca0p-1f;
static const float Z = 0x1.b38880p-1f;

const float icosahedronVertices[12][3] = {
    {-X, 0, Z}, {X, 0, Z}, {-X, 0, -Z}, {X, 0, -Z}, {0, Z, X}, {0, Z, -X},
    {0, -Z, X}, {0, -Z, -X}, {Z, X, 0}, {-Z, X, 0}, {Z, -X, 0}, {-Z, -X, 0},
};

// counter-clockwise seen from outside
const int icosahedronFaces[20][3] = {
    {0, 1, 4}, {0, 4, 9}, {0, 9, 11}, {0, 6, 1}, {0, 11, 6}, {1, 6, 10}, {1, 10, 8}, {1, 8, 4}, {2, 3, 7}, {2, 5, 3},
    {2, 9, 5}, {2, 11, 9}, {2, 7, 11}, {3, 5, 8}, {3, 8, 10}, {3, 10, 7}, {4, 5, 9}, {4, 8, 5}, {6, 7, 10}, {6, 11, 7},
};

// pentagon k: the icosahedron faces around vertex k, in order around it
const int dodecahedronFaces[12][5] = {
    {0, 1, 2, 4, 3}, {0, 3, 5, 6, 7}, {9, 8, 12, 11, 10}, {9, 13, 14, 15, 8}, {0, 7, 17, 16, 1}, {9, 10, 16, 17, 13},
    {18, 5, 3, 4, 19}, {15, 18, 19, 12, 8}, {6, 14, 13, 17, 7}, {1, 16, 10, 11, 2}, {5, 18, 15, 14, 6}, {2, 11, 12, 19, 4},
};

float dodecahedronVertices[20][3] = {};
float pulseScale = 1.0f;
const unsigned int icosahedronList = 1;

static const float lightColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
static const float light0Position[4] = {-5.0f, 5.0f, 5.0f, 1.0f};
static const float light1Position[4] = {5.0f, 0.0f, 0.0f, 1.0f};
static const float materialAmbient[4] = {0.1f, 0.05f, 0.0f, 1.0f};
static const float materialDiffuse[4] = {0.65f, 0.55f, 0.15f, 1.0f};
static const float materialSpecular[4] = {0.85f, 0.75f, 0.45f, 1.0f};

void SetupDemoScene(void) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    SetupDemoLights();
    BuildIcosahedronList();
    SetupDemoMaterial();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_FLAT);
    ComputeDodecahedronVertices();
}

void SetupDemoLights(void) {
    // given while the modelview matrix is the identity: both lights stay fixed to the viewer
    const GLenum lights[2] = {GL_LIGHT0, GL_LIGHT1};
    const float* positions[2] = {light0Position, light1Position};
    for (int i = 0; i < 2; i++) {
        glLightfv(lights[i], GL_AMBIENT, lightColor);
        glLightfv(lights[i], GL_DIFFUSE, lightColor);
        glLightfv(lights[i], GL_SPECULAR, lightColor);
        glLightfv(lights[i], GL_POSITION, positions[i]);
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
}

void SetupDemoMaterial(void) {
    glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, materialDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, 100.0f);
}

void TriangleNormal(const float* p, const float* q, const float* r, float* out) {
    float a[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    float b[3] = {q[0] - r[0], q[1] - r[1], q[2] - r[2]};
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
    float length = static_cast<float>(sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]));
    // a degenerate triangle keeps its short or zero cross product
    if (fabsf(length) > 1e-8f) {
        float inverse = 1.0f / length;
        out[0] *= inverse;
        out[1] *= inverse;
        out[2] *= inverse;
    }
}

void BuildIcosahedronList(void) {
    glNewList(icosahedronList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (const int* face : icosahedronFaces) {
        float n[3];
        TriangleNormal(icosahedronVertices[face[0]], icosahedronVertices[face[1]], icosahedronVertices[face[2]], n);
        glNormal3fv(n);
        for (int c = 0; c < 3; c++) glVertex3fv(icosahedronVertices[face[c]]);
    }
    glEnd();
    glEndList();
}

void ComputeDodecahedronVertices(void) {
    for (int i = 0; i < 20; i++) {
        const int* f = icosahedronFaces[i];
        float s[3];
        for (int a = 0; a < 3; a++)
            s[a] = icosahedronVertices[f[0]][a] + icosahedronVertices[f[1]][a] + icosahedronVertices[f[2]][a];
        float length = static_cast<float>(sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]));
        for (int a = 0; a < 3; a++) dodecahedronVertices[i][a] = length > 1e-8f ? s[a] * (1.0f / length) : s[a];
    }
}

void DrawDodecahedron(void) {
    for (int k = 0; k < 12; k++) {
        const int* p = dodecahedronFaces[k];
        float apex[3] = {icosahedronVertices[k][0] * pulseScale, icosahedronVertices[k][1] * pulseScale,
                         icosahedronVertices[k][2] * pulseScale};
        float n[3];
        glBegin(GL_TRIANGLE_FAN);
        // each normal goes right before the vertex that completes its triangle: under flat
        // shading that vertex colours the triangle
        TriangleNormal(apex, dodecahedronVertices[p[0]], dodecahedronVertices[p[1]], n);
        glNormal3fv(n);
        glVertex3fv(apex);
        glVertex3fv(dodecahedronVertices[p[0]]);
        glVertex3fv(dodecahedronVertices[p[1]]);
        for (int j = 1; j <= 3; j++) {
            TriangleNormal(apex, dodecahedronVertices[p[j]], dodecahedronVertices[p[j + 1]], n);
            glNormal3fv(n);
            glVertex3fv(dodecahedronVertices[p[j + 1]]);
        }
        TriangleNormal(apex, dodecahedronVertices[p[4]], dodecahedronVertices[p[0]], n);
        glNormal3fv(n);
        glVertex3fv(dodecahedronVertices[p[0]]);
        glEnd();
    }
}
