// snapshot.cpp: the frame on screen saved as a JPS and an MPO.
#include "shell/snapshot.h"
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include "shell/folders.h"
#include "shell/program.h"
// after stdio.h, which it needs
#include <jpeglib.h>

namespace {

const int quality = 92;

void putBig(unsigned char* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) at[i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

// The APP2 payload of the first picture of an MPO: "MPF", a big-endian TIFF header and the MP
// index IFD (version, number of pictures, the entries), then an entry of 16 bytes a picture.
// Sizes and offsets are written in once both pictures are encoded.
const int mpHeader = 4, mpEntries = 4 + 8 + 2 + 3 * 12 + 4;
std::vector<unsigned char> mpIndex(void) {
    std::vector<unsigned char> m(mpEntries + 2 * 16, 0);
    memcpy(&m[0], "MPF\0MM\0\x2a", 8);
    putBig(&m[8], 8, 4);  // the IFD follows the header
    unsigned char* ifd = &m[12];
    putBig(ifd, 3, 2);
    const uint32_t fields[3][4] = {{0xb000, 7, 4, 0x30313030},                           // version "0100"
                                   {0xb001, 4, 1, 2},                                    // pictures
                                   {0xb002, 7, 32, static_cast<uint32_t>(mpEntries - mpHeader)}};  // entries
    for (int f = 0; f < 3; f++) {
        putBig(ifd + 2 + 12 * f, fields[f][0], 2);
        putBig(ifd + 4 + 12 * f, fields[f][1], 2);
        putBig(ifd + 6 + 12 * f, fields[f][2], 4);
        putBig(ifd + 10 + 12 * f, fields[f][3], 4);
    }
    // each picture: a disparity picture of a multi-frame set, the first the representative one
    putBig(&m[mpEntries], 0x20020002, 4);
    putBig(&m[mpEntries + 16], 0x00020002, 4);
    return m;
}

// Today's date and time, as a file name takes it.
std::string now(void) {
    time_t t = time(nullptr);
    struct tm local;
    localtime_r(&t, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &local);
    return text;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& data) {
    FILE* f = fopen(path.c_str(), "wb");
    bool written = f && fwrite(data.data(), 1, data.size(), f) == data.size();
    if (f && fclose(f) != 0) written = false;
    return written;
}

void refuse(HWND window, const std::string& path, const char* why) {
    char line[1400];
    snprintf(line, sizeof line, "%s: can't save the stereo picture \"%s\": %s.", programInfo.programName, path.c_str(), why);
    fprintf(stderr, "%s\n", line);
    MessageBox(window, line, programInfo.windowTitle, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

std::vector<unsigned char> EncodeJpeg(const unsigned char* rgba, int width, int height, const std::vector<unsigned char>& app2) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    if (!app2.empty()) jpeg_write_marker(&info, JPEG_APP0 + 2, app2.data(), static_cast<unsigned>(app2.size()));
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        // the top row first
        const unsigned char* from = rgba + static_cast<size_t>(height - 1 - info.next_scanline) * width * 4;
        for (int x = 0; x < width; x++) memcpy(&row[3 * x], from + 4 * x, 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> jpeg(out, out + size);
    free(out);
    return jpeg;
}

std::vector<unsigned char> MakeJps(const unsigned char* left, const unsigned char* right, int width, int height) {
    // cross-eyed order: the right eye on the left half
    std::vector<unsigned char> both(static_cast<size_t>(2) * width * height * 4);
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; y++) {
        memcpy(&both[2 * row * y], right + row * y, row);
        memcpy(&both[2 * row * y + row], left + row * y, row);
    }
    return EncodeJpeg(both.data(), 2 * width, height, {});
}

std::vector<unsigned char> MakeMpo(const unsigned char* left, const unsigned char* right, int width, int height) {
    std::vector<unsigned char> first = EncodeJpeg(left, width, height, mpIndex());
    std::vector<unsigned char> second = EncodeJpeg(right, width, height, {});
    // the index counts offsets from its TIFF header, in the first picture's APP2 marker
    const unsigned char signature[4] = {'M', 'P', 'F', 0};
    size_t at = 0;
    while (at + 4 <= first.size() && memcmp(&first[at], signature, 4) != 0) at++;
    if (at + mpEntries + 32 > first.size()) return {};
    const size_t header = at + mpHeader, entries = at + mpEntries;
    putBig(&first[entries + 4], static_cast<uint32_t>(first.size()), 4);
    putBig(&first[entries + 16 + 4], static_cast<uint32_t>(second.size()), 4);
    putBig(&first[entries + 16 + 8], static_cast<uint32_t>(first.size() - header), 4);
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void SaveStereoSnapshot(HWND window, const char* modelPath, const unsigned char* left, const unsigned char* right, int width,
                        int height) {
    std::string folder = PicturesFolder();
    std::string name = programInfo.programName;
    if (modelPath) {
        std::string model = modelPath;
        model = model.substr(model.rfind('/') == std::string::npos ? 0 : model.rfind('/') + 1);
        model = model.substr(0, model.rfind('.'));
        if (!model.empty()) name += "-" + model;
    }
    std::string base = folder + "/" + name + "-" + now();
    for (int n = 2; access((base + ".jps").c_str(), F_OK) == 0 || access((base + ".mpo").c_str(), F_OK) == 0; n++)
        base = folder + "/" + name + "-" + now() + "-" + std::to_string(n);
    if (!MakeFolders(folder)) return refuse(window, folder, strerror(errno));
    std::vector<unsigned char> jps, mpo;
    if (left && right) {
        jps = MakeJps(left, right, width, height);
        mpo = MakeMpo(left, right, width, height);
    }
    if (jps.empty() || mpo.empty()) return refuse(window, base + ".jps", "the eyes could not be read");
    // both written under other names first and named as pictures once both are whole: a
    // full disk leaves no cut picture behind
    const std::string paths[2] = {base + ".jps", base + ".mpo"};
    const std::string parts[2] = {paths[0] + ".part", paths[1] + ".part"};
    for (int i = 0; i < 2; i++) {
        if (writeFile(parts[i], i == 0 ? jps : mpo)) continue;
        int why = errno;
        unlink(parts[0].c_str());
        unlink(parts[1].c_str());
        return refuse(window, paths[i], strerror(why));
    }
    for (int i = 0; i < 2; i++) {
        if (rename(parts[i].c_str(), paths[i].c_str()) == 0) continue;
        int why = errno;
        unlink(parts[i].c_str());
        unlink(parts[1].c_str());
        if (i == 1) unlink(paths[0].c_str());
        return refuse(window, paths[i], strerror(why));
    }
    printf("%s\n%s\n", paths[0].c_str(), paths[1].c_str());
    fflush(stdout);
}
