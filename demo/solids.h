// solids.h: Ondrel's solids: a fixed icosahedron in display list 1 and a dodecahedron whose
// pentagons are drawn as pyramids with pulsing apexes; their lights and material.
#ifndef DEMO_SOLIDS_H
#define DEMO_SOLIDS_H

extern const float icosahedronVertices[12][3];
extern const int icosahedronFaces[20][3];
extern const int dodecahedronFaces[12][5];
extern float dodecahedronVertices[20][3]; // filled by ComputeDodecahedronVertices
extern float pulseScale;                  // factor applied to the fan apexes
extern const unsigned int icosahedronList; // display-list name 1

void SetupDemoScene(void);
void SetupDemoLights(void);
void BuildIcosahedronList(void);
void SetupDemoMaterial(void);
void ComputeDodecahedronVertices(void);
void TriangleNormal(const float* p, const float* q, const float* r, float* out);
void DrawDodecahedron(void);

#endif
