// settings.cpp: the remembered stereo output, read at start and written when it changes.
#include "shell/settings.h"
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include "shell/platform.h"
#include "shell/program.h"
#include "shell/folders.h"
#include "shell/output.h"

namespace {

void ignore(const std::string& path, const char* why) {
    fprintf(stderr, "%s: ignoring the settings file \"%s\": %s.\n", programInfo.programName, path.c_str(), why);
}

}  // namespace

bool studioLight = false;

std::string StereoSettingsPath(void) { return ConfigFolder() + "/" + programInfo.programName + "/stereo"; }

bool LoadStereoSettings(int* output, bool* swapped) {
    std::string path = StereoSettingsPath();
    // a regular file only, opened without waiting on anything
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT) ignore(path, strerror(errno));
        return false;
    }
    struct stat info;
    char text[512];
    ssize_t n = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < static_cast<off_t>(sizeof text))
        n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n < 0) {
        ignore(path, "not a small regular file");
        return false;
    }
    text[n] = '\0';
    int mode = -1, swap = -1, light = 0;
    for (char* line = strtok(text, "\n"); line; line = strtok(nullptr, "\n")) {
        if (strncmp(line, "output=", 7) == 0) {
            for (int m = 0; m < STEREO_OUTPUT_COUNT; m++)
                if (strcmp(line + 7, stereoOutputNames[m]) == 0) mode = m;
        } else if (strcmp(line, "swapped=yes") == 0 || strcmp(line, "swapped=no") == 0) {
            swap = line[8] == 'y';
        } else if (strcmp(line, "light=studio") == 0 || strcmp(line, "light=head") == 0) {
            light = line[6] == 's';
        } else {
            mode = -2;
            break;
        }
    }
    if (mode < 0 || swap < 0) {
        ignore(path, "it is damaged");
        return false;
    }
    if (!PlatformStereoOutputAvailable(mode) && mode != STEREO_FRAME_PACKING) {
        ignore(path, "this display cannot show the output it names");
        return false;
    }
    *output = mode;
    *swapped = swap == 1;
    studioLight = light == 1;
    return true;
}

void SaveStereoSettings(int output, bool swapped) {
    std::string path = StereoSettingsPath();
    std::string folder = path.substr(0, path.rfind('/'));
    std::string temporary = path + ".new-" + std::to_string(getpid());
    std::string text = std::string("output=") + stereoOutputNames[output] + "\nswapped=" + (swapped ? "yes" : "no") + "\n" +
                       (studioLight ? "light=studio\n" : "");
    FILE* f = MakeFolders(folder) ? fopen(temporary.c_str(), "w") : nullptr;
    bool written = f && fputs(text.c_str(), f) >= 0;
    if (f && fclose(f) != 0) written = false;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "%s: can't keep the stereo output in \"%s\": %s.\n", programInfo.programName, path.c_str(),
                strerror(errno));
        unlink(temporary.c_str());
    }
}
