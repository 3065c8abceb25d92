// halvo_art OUTDIR [--preview FILE.png]
// Draws every picture of the control panel into OUTDIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "pictures.h"

int main(int argc, char** argv) {
    std::string dir, preview;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            preview = argv[++i];
        else if (dir.empty() && argv[i][0] != '-')
            dir = argv[i];
        else
            dir.clear(), argc = 0;
    }
    if (dir.empty() && preview.empty()) {
        std::fprintf(stderr, "usage: halvo_art OUTDIR [--preview FILE.png]\n");
        return 2;
    }
    std::string failed;
    if (!dir.empty() && !art::writeAll(dir, failed)) {
        std::fprintf(stderr, "halvo_art: cannot write %s/%s\n", dir.c_str(), failed.c_str());
        return 1;
    }
    if (!preview.empty() && !art::writeFile(preview, art::encodePng(art::previewSheet()))) {
        std::fprintf(stderr, "halvo_art: cannot write %s\n", preview.c_str());
        return 1;
    }
    return 0;
}
