// light.cpp: the two lights a user chooses between with F4: the head light, from the eyes,
// and the studio light, a key light above on the left, a fill light on the right and more
// ambient, which light the sides of a model that the head light leaves dark.
#include "viewer/light.h"
#include <GL/gl.h>
#include "shell/settings.h"
#include "shell/stereo_keys.h"


// Positions in eye coordinates: sent with an identity modelview matrix.
void SendLight(void) {
    static const float head[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1}, headAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    // well to the sides, so that a wall side on to the eyes gets nearly as much as one facing them
    static const float key[4] = {-0.75f, 0.45f, 0.5f, 0}, keyColour[4] = {0.85f, 0.85f, 0.85f, 1};
    static const float fill[4] = {0.8f, -0.05f, 0.55f, 0}, fillColour[4] = {0.75f, 0.75f, 0.75f, 1};
    static const float studioAmbient[4] = {0.5f, 0.5f, 0.5f, 1};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, studioLight ? key : head);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, studioLight ? keyColour : white);
    glLightfv(GL_LIGHT1, GL_POSITION, fill);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, fillColour);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, studioLight ? studioAmbient : headAmbient);
    if (studioLight)
        glEnable(GL_LIGHT1);
    else
        glDisable(GL_LIGHT1);
    glPopMatrix();
}

void SetupLight(void) {
    // the head light is OpenGL's own first light as it starts: nothing to send
    if (studioLight) SendLight();
}

void ToggleLight(HWND window) {
    studioLight = !studioLight;
    SendLight();
    KeepSettings();
    ShowProgramNote(window, studioLight ? " [studio light]" : " [head light]");
    InvalidateRect(window, nullptr, FALSE);
}
