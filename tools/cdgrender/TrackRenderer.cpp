// Track rendering without audio: packet execution by count or time, PNG and text output.
#include "TrackRenderer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr double kPacketsPerSecond = kCdgPacketsPerSector * kCdgSectorsPerSecond;  // 300

std::string Describe(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

}  // namespace

TrackRenderer::TrackRenderer()
    : m_pDisplay(std::make_unique<display::CDisplay>(display::PixelFormat::Xrgb8888())) {
    display::CDisplay::SetCurrent(m_pDisplay.get());
    m_pScreen = std::make_unique<CCdgScreen>();
}

TrackRenderer::~TrackRenderer() {
    m_pScreen.reset();
    display::CDisplay::SetCurrent(nullptr);
}

bool TrackRenderer::Open(const std::string& path, std::string& error) {
    errno = 0;
    if (!m_file.Open(path)) {
        error = errno != 0 ? Describe(path) : path + ": not a readable file";
        return false;
    }
    return true;
}

int64_t TrackRenderer::PacketsDueBefore(double dSeconds) {
    if (!(dSeconds > 0)) {
        return 0;
    }
    // Packet n is due once the clock has passed n / 300 s, i.e. n < 300 t.
    return static_cast<int64_t>(std::ceil(dSeconds * kPacketsPerSecond));
}

int64_t TrackRenderer::AdvanceTo(int64_t nCount) {
    CCdgPacket packet;
    while (m_nExecuted < nCount && !m_bEnded) {
        if (!m_file.ReadPacket(packet)) {
            m_bEnded = true;
            break;
        }
        m_pScreen->Execute(packet);
        ++m_nExecuted;
    }
    return m_nExecuted;
}

int64_t TrackRenderer::AdvanceToTime(double dSeconds) {
    return AdvanceTo(PacketsDueBefore(dSeconds));
}

bool TrackRenderer::ComposeFrame(uint32_t* pPixels) {
    tindlib::CScopedLock hold(m_pScreen->GetLock());
    m_pScreen->EnsureSurfaces();
    const display::CDisplaySurface* pFrame = m_pScreen->ComposeFrame();
    if (pFrame == nullptr) {
        return false;
    }
    // The renderer's own display is 32-bit 0x00RRGGBB, so rows copy as they stand.
    const size_t nRowBytes = static_cast<size_t>(kCdgFrameWidth) * sizeof(uint32_t);
    for (int y = 0; y < kCdgFrameHeight; ++y) {
        std::memcpy(pPixels + static_cast<size_t>(y) * kCdgFrameWidth,
                    pFrame->Bits() + static_cast<size_t>(y) * pFrame->GetPitch(), nRowBytes);
    }
    return true;
}

bool TrackRenderer::WritePng(const std::string& path, std::string& error) {
    std::vector<uint32_t> frame(static_cast<size_t>(kCdgFrameWidth) * kCdgFrameHeight);
    if (!ComposeFrame(frame.data())) {
        error = "no frame could be composed";
        return false;
    }
    std::vector<uint8_t> rgb(frame.size() * 3);
    for (size_t i = 0; i < frame.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(frame[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(frame[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(frame[i]);
    }
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = Describe(path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = path + ": PNG encoding failed";
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, kCdgFrameWidth, kCdgFrameHeight, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kCdgFrameHeight; ++y) {
        png_write_row(png, rgb.data() + static_cast<size_t>(y) * kCdgFrameWidth * 3);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(f.get()) != 0) {
        error = Describe(path);
        return false;
    }
    return true;
}

bool TrackRenderer::WriteDump(const std::string& path, std::string& error) {
    std::string text = "palette";
    char entry[16];
    for (int i = 0; i < kCdgColors; ++i) {
        std::snprintf(entry, sizeof(entry), " 0x%08X", m_pScreen->GetPaletteEntry(i));
        text += entry;
    }
    text += '\n';
    static const char kHex[] = "0123456789ABCDEF";
    text.reserve(text.size() + static_cast<size_t>(kCdgPictureWidth + 1) * kCdgPictureHeight);
    for (int y = 0; y < kCdgPictureHeight; ++y) {
        const uint8_t* pRow = m_pScreen->GetPicture().GetPixelAddress(0, y);
        for (int x = 0; x < kCdgPictureWidth; ++x) {
            text += kHex[pRow[x] & 0x0F];
        }
        text += '\n';
    }
    File f(path == "-" ? nullptr : std::fopen(path.c_str(), "wb"));
    std::FILE* out = path == "-" ? stdout : f.get();
    if (out == nullptr) {
        error = Describe(path);
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        error = Describe(path);
        return false;
    }
    return true;
}
