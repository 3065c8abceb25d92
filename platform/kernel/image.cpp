// The device image the platform works on.
#include <atomic>
#include <mutex>

#include "ce_kernel.h"

namespace ce {

namespace {

std::mutex g_imageMutex;
ImageInfo g_image;
std::atomic<bool> g_hasImage{false};
std::atomic<uint64_t> g_generation{1};

}  // namespace

namespace {
std::atomic<bool> g_cardOut{false};
}  // namespace

bool StorageCardInserted() {
    return HasImage() && !Image().storageCard.empty() && !g_cardOut;
}

void SetStorageCardInserted(bool inserted) {
    g_cardOut = !inserted;
}

void SetImage(ImageInfo info) {
    std::lock_guard lock(g_imageMutex);
    g_cardOut = false;
    g_image = std::move(info);
    g_hasImage = true;
    ++g_generation;
}

void ClearImage() {
    std::lock_guard lock(g_imageMutex);
    g_image = ImageInfo{};
    g_hasImage = false;
    ++g_generation;
}

bool HasImage() {
    return g_hasImage;
}

// The image is set once at boot, before any other thread of the device runs,
// and stays unchanged while programs work on it; readers need no lock.
const ImageInfo& Image() {
    return g_image;
}

uint64_t ImageGeneration() {
    return g_generation;
}

}  // namespace ce
