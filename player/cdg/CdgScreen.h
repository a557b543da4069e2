// CCdgScreen: the CD+G screen (picture, palette, border, offsets), its instruction
// interpreter, and the display surfaces that mirror the picture and compose the frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/display/DisplaySurface.h"
#include "player/cdg/CdgColor.h"
#include "player/cdg/CdgPacket.h"
#include "player/cdg/Dib.h"
#include "tindlib/core/SingleLockEx.h"

// Screen geometry (pixels): 50 x 18 tiles of 6 x 12, a 288 x 192 window shown inside a
// border, the window placed centred in a 320 x 240 frame.
inline constexpr int kCdgTileWidth = 6;
inline constexpr int kCdgTileHeight = 12;
inline constexpr int kCdgColumns = 50;
inline constexpr int kCdgRows = 18;
inline constexpr int kCdgPictureWidth = kCdgColumns * kCdgTileWidth;            // 300
inline constexpr int kCdgPictureHeight = kCdgRows * kCdgTileHeight;             // 216
inline constexpr int kCdgWindowLeft = kCdgTileWidth;                            // 6
inline constexpr int kCdgWindowTop = kCdgTileHeight;                            // 12
inline constexpr int kCdgWindowWidth = kCdgPictureWidth - 2 * kCdgWindowLeft;   // 288
inline constexpr int kCdgWindowHeight = kCdgPictureHeight - 2 * kCdgWindowTop;  // 192
inline constexpr int kCdgFrameWidth = 320;
inline constexpr int kCdgFrameHeight = 240;
inline constexpr int kCdgFrameWindowLeft = (kCdgFrameWidth - kCdgWindowWidth) / 2;   // 16
inline constexpr int kCdgFrameWindowTop = (kCdgFrameHeight - kCdgWindowHeight) / 2;  // 24
inline constexpr int kCdgColors = 16;

// Graphics packets and their instruction codes.
inline constexpr uint8_t kCdgCommandGraphics = 9;
enum ECdgInstruction : uint8_t {
    kCdgMemoryPreset = 1,
    kCdgBorderPreset = 2,
    kCdgTileBlock = 6,
    kCdgScrollPreset = 20,
    kCdgScrollCopy = 24,
    kCdgDefineTransparent = 28,
    kCdgLoadColorsLow = 30,
    kCdgLoadColorsHigh = 31,
    kCdgTileBlockXor = 38,
};

// How long Execute and ReleaseSurfaces wait for the screen lock.
inline constexpr uint32_t kCdgScreenLockTimeoutMs = 10000;

// Threads: Execute runs on the playback thread, Clear on the UI or timer thread, the
// render pass (EnsureSurfaces + ComposeFrame under GetLock()) on the timer or UI thread.
// Every member below is guarded by the screen lock; lock order: view lock, then this one.
// Only the picture-change count may be read without it.
//
// The picture surface mirrors the picture lazily: instructions change the picture alone and
// note what they changed (tiles, or the whole picture); the render pass converts exactly
// that, once, when it brings the surfaces up to date for a frame.
class CCdgScreen {
public:
    // Needs the process-wide display object (display::CDisplay::Current()) to exist.
    CCdgScreen();
    virtual ~CCdgScreen();
    CCdgScreen(const CCdgScreen&) = delete;
    CCdgScreen& operator=(const CCdgScreen&) = delete;

    // Black 300 x 216 picture, black palette, border 0, offsets 0, fresh surfaces.
    void Reset();
    // Executes one packet; true for instruction 0 and every known graphics instruction.
    // A packet that cannot get the screen lock in time is not applied and gives false.
    bool Execute(const CCdgPacket& packet);
    // Black picture and palette; the border colour and the offsets stay.
    void Clear();

    // Advanced by every packet (and Clear or drawing call) that really changes the
    // picture, the palette, the border colour or the offsets, and by nothing else: a frame
    // composed at one count looks like any other composed at the same count. Any thread.
    uint64_t GetPictureChanges() const { return m_nPictureChanges.load(std::memory_order_acquire); }

    // --- surfaces and frame composition (callers hold the screen lock where noted)
    bool CreateSurfaces();
    // Takes the screen lock itself.
    void ReleaseSurfaces();
    // Creates the surfaces if need be and brings the picture surface up to date.
    bool EnsureSurfaces();
    // Locks the up-to-date picture surface for direct access until UnlockPicture.
    bool LockPicture();
    bool UnlockPicture();
    void SetPixel(int x, int y, int nIndex);
    void FillRect(int nLeft, int nTop, int nRight, int nBottom, int nIndex);
    uint32_t ColorToPixel(COLORREF color);
    // Brings the frame up to date and returns it (null without a frame surface). The
    // caller holds the screen lock while it uses the result.
    display::CDisplaySurface* ComposeFrame();

    tindlib::CSingleLockEx& GetLock() { return m_lock; }
    // How long Execute and ReleaseSurfaces wait for the lock (kCdgScreenLockTimeoutMs).
    void SetLockTimeout(uint32_t nTimeoutMs) { m_nLockTimeoutMs = nTimeoutMs; }

    // --- state, for the frame, tools and tests (read under the screen lock)
    const CDib& GetPicture() const { return m_dib; }
    uint8_t GetPictureIndex(int x, int y) const { return *m_dib.GetPixelAddress(x, y); }
    COLORREF GetPaletteEntry(int nIndex) const { return m_palette[nIndex & 0x0F]; }
    int GetBorderColor() const { return m_nBorderColor; }
    int GetHOffset() const { return m_nHOffset; }
    int GetVOffset() const { return m_nVOffset; }
    bool IsBorderDirty() const { return m_bBorderDirty; }
    // Whether the last executed packet left the whole mirror to be converted again (a
    // colour load, or a scroll that moved the picture).
    bool GetRebuild() const { return m_bRebuild; }
    bool HasSurfaces() const { return m_pPictureDesc != nullptr; }
    // The picture surface as last brought up to date (EnsureSurfaces, ComposeFrame).
    const display::CDisplaySurface* GetPictureSurface() const { return m_pPicture.get(); }
    // The part of the picture shown in the frame, clamped to the picture.
    display::Rect GetVisibleWindow() const;

private:
    struct Channel {
        int nShift = 0;
        int nWidth = 0;
    };

    // Instruction handlers; each returns whether it changed the picture, the palette, the
    // border colour or the offsets. Paired instructions share one routine through a flag.
    bool MemoryPreset(const CCdgPacket& packet);
    bool BorderPreset(const CCdgPacket& packet);
    bool TileBlock(const CCdgPacket& packet) { return DrawTile(packet, false); }
    bool TileBlockXor(const CCdgPacket& packet) { return DrawTile(packet, true); }
    bool ScrollPreset(const CCdgPacket& packet) { return Scroll(packet, false); }
    bool ScrollCopy(const CCdgPacket& packet) { return Scroll(packet, true); }
    bool DefineTransparent(const CCdgPacket&) { return false; }
    bool LoadColorsLow(const CCdgPacket& packet) { return LoadColors(packet, 0); }
    bool LoadColorsHigh(const CCdgPacket& packet) { return LoadColors(packet, 8); }
    bool DrawTile(const CCdgPacket& packet, bool bXor);
    bool Scroll(const CCdgPacket& packet, bool bCopy);
    bool LoadColors(const CCdgPacket& packet, int nBase);
    // Stores the index into the half-open rectangle of the picture (clipped to it).
    bool Fill(int nLeft, int nTop, int nRight, int nBottom, uint8_t nIndex);
    void CountChange() {
        m_nPictureChanges.store(m_nPictureChanges.load(std::memory_order_relaxed) + 1,
                                std::memory_order_release);
    }

    // --- the mirror (CdgScreenSurfaces.cpp)
    void LearnChannels(const display::SurfaceDesc& desc);
    void RefreshPixelCache();
    // Marks the tiles that the rectangle touches as changed since the last update.
    void MarkChanged(int nLeft, int nTop, int nRight, int nBottom);
    void MarkAllChanged() { m_bMirrorStale = true; }
    // Converts what changed since the last update into the picture surface.
    void UpdateMirror();
    // Converts nCount picture pixels from (x, y) rightwards into the locked picture surface.
    void ConvertRun(const display::SurfaceDesc& desc, int x, int y, int nCount);

    std::unique_ptr<display::CDisplaySurface> m_pPicture;
    std::unique_ptr<display::SurfaceDesc> m_pPictureDesc;  // null: surfaces must be made
    std::unique_ptr<display::CDisplaySurface> m_pFrame;
    CDib m_dib;
    bool m_bBorderDirty = true;
    std::array<COLORREF, kCdgColors> m_palette{};
    int32_t m_nBorderColor = 0;
    int32_t m_nWidth = kCdgPictureWidth;
    int32_t m_nHeight = kCdgPictureHeight;
    int32_t m_nFrameWidth = kCdgFrameWidth;
    int32_t m_nFrameHeight = kCdgFrameHeight;
    int32_t m_nColors = kCdgColors;
    int32_t m_nVOffset = 0;
    int32_t m_nHOffset = 0;
    tindlib::CCriticalSection m_cs;
    tindlib::CSingleLockEx m_lock{&m_cs};
    bool m_bRebuild = false;
    std::atomic<uint32_t> m_nLockTimeoutMs{kCdgScreenLockTimeoutMs};
    Channel m_red;
    Channel m_green;
    Channel m_blue;
    bool m_bChannelsKnown = false;
    bool m_bPictureLocked = false;
    // Display pixel of each palette entry, refreshed whenever the mirror is updated.
    std::array<uint32_t, kCdgColors> m_pixelOfIndex{};
    // Changed since the mirror was last updated: bit c of word r is tile (row r, column c);
    // m_bMirrorStale stands for every pixel.
    std::array<uint64_t, kCdgRows> m_changedTiles{};
    bool m_bMirrorStale = false;
    std::atomic<uint64_t> m_nPictureChanges{0};
};
