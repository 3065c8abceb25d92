// The control panel's pictures: title strip, background, two-frame button
// strips and icons, each drawn by its own function.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "formats.h"

namespace art {

constexpr int kPanelW = 450, kPanelH = 320, kTitleH = 27;
constexpr int kFrame = 48;

// Strips of the main panel are drawn colour-keyed over the background: their
// ground is magenta. The dialogs draw theirs as they are, on the dialog face.
constexpr Rgb kKey{255, 0, 255};
constexpr Rgb kDialogFace{192, 192, 192};

struct StripDef {
    const char* file;
    int id;
    bool onPanel;  // keyed over the panel background at (x, y)
    int x, y;
    void (*draw)(Layer&);
};

const std::vector<StripDef>& strips();

struct Strip {
    Image image;                 // 96 x 48, up frame left, pressed frame right
    Rgb ground;                  // the colour of the transparent area
    std::vector<uint8_t> drawn;  // 1 where the picture covers the pixel
};

Image drawTitle();
Image drawBackground();
Strip drawStrip(const StripDef& def, const Image& background);
std::vector<IconImage> drawPanelIcon();      // 32 x 32 and 16 x 16
std::vector<IconImage> drawCrosshairIcon();  // 32 x 32
// The registry editor's icon (32 x 32 and 16 x 16, 16 colours) and its
// strip of seven 16 x 16 images (device, folder, open folder, string,
// multi-string, binary, DWORD).
std::vector<IconImage> drawArborIcon();
Image drawArborImages();

// The panel as it appears on screen: title, background and keyed buttons.
Image composePanel(const Image& title, const Image& background, const std::vector<Strip>& drawn);
// Every picture enlarged on a grey sheet.
Image previewSheet();

// Writes every picture into dir; returns false and names the file on failure.
bool writeAll(const std::string& dir, std::string& failed);

}  // namespace art
