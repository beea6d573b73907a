#include "tests/e2e/StatusMatcher.h"

#include <sstream>

#include "res/resource.h"
#include "tests/e2e/LinuxProcess.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "tests/support/ParceloProcess.h"

namespace {

// The program's own resources, read as data: the test draws with the very bitmaps it shows.
HMODULE ProgramResources() {
    static const OwnedModule module(LoadLibraryExA(ParceloPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    return module.Get();
}

constexpr int WINDOW_WIDTH = SKIN_SIZE.width, WINDOW_HEIGHT = SKIN_SIZE.height;

}  // namespace

Pixels CaptureScreen(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    const std::string file = ScratchName("ppm");
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                                 std::to_string(area.left) + "+" + std::to_string(area.top);
    if (RunShell("import -window root -crop " + geometry + " +repage -depth 8 ppm:" + file) != 0) return {};
    const std::string image = Contents(WindowsPath(file));
    DeleteFileA(WindowsPath(file).c_str());
    // Binary PPM: "P6", width, height, maximum value, one white-space byte, then RGB triples.
    std::istringstream header(image);
    std::string magic;
    int w = 0, h = 0, maximum = 0;
    header >> magic >> w >> h >> maximum;
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    if (magic != "P6" || w != width || h != height || maximum != 255 || image.size() < start + 3u * w * h) return {};
    Pixels pixels(static_cast<size_t>(w) * h);
    const auto* rgb = reinterpret_cast<const unsigned char*>(image.data() + start);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
    return pixels;
}

Pixels ExpectedWindow(int frame, const std::string& line1, const std::string& line2) {
    return SkinPixels(ProgramResources(), IDB_SKIN_FRAME0 + frame, line1, line2);
}

namespace {

// The part of the window on the screen, as it is there now: under Wine the window's default
// place reaches below the bottom edge, and only what is on the screen can be compared.
struct VisiblePart {
    explicit VisiblePart(const RECT& area) {
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (area.right - area.left != WINDOW_WIDTH || area.bottom - area.top != WINDOW_HEIGHT) return;
        RECT visible = {};
        if (!IntersectRect(&visible, &area, &screen)) return;
        width = visible.right - visible.left;
        height = visible.bottom - visible.top;
        dx = visible.left - area.left;
        dy = visible.top - area.top;
        shown = CaptureScreen(visible);
        if (shown.size() != static_cast<size_t>(width) * height) shown.clear();
    }
    bool Shows(const Pixels& expected) const {
        if (shown.empty() || expected.size() != static_cast<size_t>(WINDOW_WIDTH) * WINDOW_HEIGHT) return false;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (shown[y * width + x] != expected[(y + dy) * WINDOW_WIDTH + x + dx]) return false;
        return true;
    }
    Pixels shown;
    int width = 0, height = 0, dx = 0, dy = 0;
};

}  // namespace

int ShownFrame(const RECT& area, const std::string& line1, const std::string& line2) {
    const VisiblePart part(area);
    for (int frame = 0; frame < 3; ++frame)
        if (part.Shows(ExpectedWindow(frame, line1, line2))) return frame;
    return -1;
}

int StatusMatcher::Add(const std::string& line1, const std::string& line2) {
    Pair pair{line1, line2, {}};
    for (int frame = 0; frame < 3; ++frame) pair.frames[frame] = ExpectedWindow(frame, line1, line2);
    pairs_.push_back(std::move(pair));
    return static_cast<int>(pairs_.size()) - 1;
}

int StatusMatcher::Match(const RECT& area, bool* captured) const {
    const VisiblePart part(area);
    if (captured) *captured = !part.shown.empty();
    for (size_t i = 0; i < pairs_.size(); ++i)
        for (const Pixels& frame : pairs_[i].frames)
            if (part.Shows(frame)) return static_cast<int>(i);
    return -1;
}
