// Golden check: the demo track and the generated benchmark streams, played through the
// reader and the screen with a frame composed every 12 packets (the player's 25 frames/s),
// must give exactly the pictures, palettes, offsets and frames recorded here as checksums.
// Set QUILLET_GOLDEN_PRINT=1 to print the values of a run in the form of the tables below.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScreenFixture.h"
#include "platform/display/Display.h"
#include "player/cdg/CdgFile.h"
#include "player/cdg/CdgScreen.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"
#include "tools/cdgauthor/MixedStream.h"

namespace fs = std::filesystem;
using display::PixelFormat;

namespace {

constexpr int kPacketsPerFrame = 12;

// A 64-bit multiply-xorshift digest, fed eight bytes at a time where it can be.
class Digest {
public:
    void Add(const void* pData, size_t nBytes) {
        const auto* p = static_cast<const uint8_t*>(pData);
        for (; nBytes >= 8; nBytes -= 8, p += 8) {
            uint64_t word = 0;
            for (int i = 7; i >= 0; --i) {
                word = (word << 8) | p[i];
            }
            Mix(word);
        }
        for (; nBytes > 0; --nBytes, ++p) {
            Mix(*p);
        }
    }
    void AddValue(uint64_t n) { Mix(n); }
    uint64_t Value() const { return m_h; }

private:
    void Mix(uint64_t n) {
        m_h = (m_h ^ n) * 0x9E3779B97F4A7C15ull;
        m_h ^= m_h >> 29;
    }
    uint64_t m_h = 0xCBF29CE484222325ull;
};

struct Checkpoint {
    int64_t nPackets;
    uint64_t nState;   // picture, palette, border colour, offsets
    uint64_t nFrames;  // every frame composed up to here, in order
};

// Picture indices top row first, palette, border colour and both offsets.
uint64_t StateDigest(const CCdgScreen& screen) {
    Digest d;
    for (int y = 0; y < kCdgPictureHeight; ++y) {
        d.Add(screen.GetPicture().GetPixelAddress(0, y), kCdgPictureWidth);
    }
    for (int i = 0; i < kCdgColors; ++i) {
        d.AddValue(screen.GetPaletteEntry(i));
    }
    d.AddValue(static_cast<uint64_t>(screen.GetBorderColor()));
    d.AddValue(static_cast<uint64_t>(screen.GetHOffset()));
    d.AddValue(static_cast<uint64_t>(screen.GetVOffset()));
    return d.Value();
}

struct GoldenCase {
    const char* name;
    PixelFormat format;
    std::vector<Checkpoint> expected;
};

// Plays the track and compares the digests at each of the case's packet counts. The
// prelude's packets are executed first and not counted.
void Check(const GoldenCase& c, const std::string& path,
           const std::vector<cdgauthor::RawPacket>& prelude = {}) {
    display::CDisplay display(c.format);
    display::CDisplay::SetCurrent(&display);
    std::vector<Checkpoint> actual;
    {
        CCdgScreen screen;
        for (const cdgauthor::RawPacket& raw : prelude) {
            screen.Execute(CCdgPacket(raw.data()));
        }
        CCdgFile file;
        EXPECT_TRUE(file.Open(path)) << path;
        Digest frames;
        CCdgPacket packet;
        int64_t n = 0;
        while (actual.size() < c.expected.size() && file.ReadPacket(packet)) {
            screen.Execute(packet);
            if (++n % kPacketsPerFrame == 0) {
                tindlib::CScopedLock hold(screen.GetLock());
                screen.EnsureSurfaces();
                const display::CDisplaySurface* pFrame = screen.ComposeFrame();
                if (pFrame == nullptr) {
                    ADD_FAILURE() << "no frame after " << n << " packets";
                    break;
                }
                const size_t nRowBytes =
                    static_cast<size_t>(pFrame->GetWidth()) * c.format.BytesPerPixel();
                for (int y = 0; y < pFrame->GetHeight(); ++y) {
                    frames.Add(pFrame->Bits() + static_cast<size_t>(y) * pFrame->GetPitch(),
                               nRowBytes);
                }
            }
            if (n == c.expected[actual.size()].nPackets) {
                actual.push_back({n, StateDigest(screen), frames.Value()});
            }
        }
    }
    display::CDisplay::SetCurrent(nullptr);
    if (std::getenv("QUILLET_GOLDEN_PRINT") != nullptr) {
        std::printf("    // %s\n", c.name);
        for (const Checkpoint& cp : actual) {
            std::printf("    {%" PRId64 ", 0x%016" PRIX64 "ull, 0x%016" PRIX64 "ull},\n",
                        cp.nPackets, cp.nState, cp.nFrames);
        }
    }
    ASSERT_EQ(actual.size(), c.expected.size()) << c.name << ": the track ended early";
    for (size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_EQ(actual[i].nState, c.expected[i].nState)
            << c.name << ": picture, palette, border or offsets after " << c.expected[i].nPackets
            << " packets";
        EXPECT_EQ(actual[i].nFrames, c.expected[i].nFrames)
            << c.name << ": frames composed up to " << c.expected[i].nPackets << " packets";
    }
}

class GoldenTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("cdg-golden-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // The seeded stream written in both layouts; returns {cdg path, bin path}.
    std::pair<std::string, std::string> WriteStream(const cdgauthor::StreamMix& mix,
                                                    uint64_t nExpectedDigest) {
        const cdgauthor::CdgTrackWriter track = cdgauthor::MakeMixedStream(mix, 1);
        Digest d;
        for (int64_t i = 0; i < track.GetPacketCount(); ++i) {
            d.Add(track.GetPacket(i).data(), kCdgPacketSize);
        }
        if (std::getenv("QUILLET_GOLDEN_PRINT") != nullptr) {
            std::printf("    stream 0x%016" PRIX64 "ull\n", d.Value());
        }
        EXPECT_EQ(d.Value(), nExpectedDigest)
            << "the generator no longer makes the stream these checksums were taken on";
        const std::string cdg = (m_dir / "stream.cdg").string();
        const std::string bin = (m_dir / "stream.bin").string();
        EXPECT_TRUE(track.WriteCdg(cdg));
        EXPECT_TRUE(track.WriteBin(bin, {}));
        return {cdg, bin};
    }

    fs::path m_dir;
};

// Recorded tables (QUILLET_GOLDEN_PRINT=1 prints them).
const GoldenCase kDemoCases[] = {
    {"demo xrgb8888",
     PixelFormat::Xrgb8888(),
     {
         {1200, 0xA1B6F7ED1B6C951Cull, 0xF97E44C75B9A1F59ull},
         {4800, 0x1AFB6CB89E850AD8ull, 0xCD9AC6BDBD57D8DAull},
         {9600, 0xD07D53BD8EE247C7ull, 0x46B2A535C39A0B48ull},
         {16320, 0xCDB2826601EE1C6Full, 0x03C8013CADA9A8C8ull},
     }},
    {"demo rgb888",
     PixelFormat::Rgb888(),
     {
         {1200, 0xA1B6F7ED1B6C951Cull, 0xA1FD277F4932C134ull},
         {4800, 0x1AFB6CB89E850AD8ull, 0x6102B40E6BAE85C3ull},
         {9600, 0xD07D53BD8EE247C7ull, 0x977F2B07460AF6BFull},
         {16320, 0xCDB2826601EE1C6Full, 0x47B0F79097DB8853ull},
     }},
    {"demo rgb565",
     PixelFormat::Rgb565(),
     {
         {1200, 0xA1B6F7ED1B6C951Cull, 0xAC84DEFB075B68CEull},
         {4800, 0x1AFB6CB89E850AD8ull, 0x758B27D6BF0DA49Full},
         {9600, 0xD07D53BD8EE247C7ull, 0x1E4D374446BD1782ull},
         {16320, 0xCDB2826601EE1C6Full, 0x056A75D92A3164EBull},
     }},
};
const GoldenCase kColorHeavyCases[] = {
    {"colour-heavy xrgb8888",
     PixelFormat::Xrgb8888(),
     {
         {6000, 0x13E77D52AE016C7Dull, 0xF3C1FB145B86CA80ull},
         {24000, 0xB3ED8054126A7E0Eull, 0xAD2D146EC4B3E3F4ull},
         {48000, 0x7872557185C48082ull, 0x370B8F8D83B1970Cull},
         {72000, 0x338B6590F45A9A0Aull, 0xA9A8BFB9FA1BF315ull},
     }},
    {"colour-heavy rgb565",
     PixelFormat::Rgb565(),
     {
         {6000, 0x13E77D52AE016C7Dull, 0x3CCE01440A11C385ull},
         {24000, 0xB3ED8054126A7E0Eull, 0x371D06559230D566ull},
         {48000, 0x7872557185C48082ull, 0x04F0D014EFB8B9F1ull},
         {72000, 0x338B6590F45A9A0Aull, 0x0291F8DFC6E71E9Dull},
     }},
};
const GoldenCase kTileCases[] = {
    {"tiles xrgb8888",
     PixelFormat::Xrgb8888(),
     {
         {6000, 0xF10FDF0D7DC00774ull, 0xAB76E529E9103627ull},
         {24000, 0xB7644610041197F0ull, 0xF00EA531C724F95Full},
         {48000, 0x12F1C5A89E7918F3ull, 0xBEED177EFE7C6FB2ull},
         {72000, 0x028C28D3B44E4D89ull, 0x6367942518BD4B91ull},
     }},
    {"tiles rgb555",
     PixelFormat::Rgb555(),
     {
         {6000, 0xF10FDF0D7DC00774ull, 0x5A9C775A02D87D3Bull},
         {24000, 0xB7644610041197F0ull, 0xF3C9D1BC0C4DBCC0ull},
         {48000, 0x12F1C5A89E7918F3ull, 0x080C1683F895FA7Dull},
         {72000, 0x028C28D3B44E4D89ull, 0xD3D3E581A1A3CADBull},
     }},
};
constexpr uint64_t kColorHeavyStream = 0x8B5D9DA5EE8B3268ull;
constexpr uint64_t kTileStream = 0x5C38D0DB8AD3D9C1ull;

}  // namespace

TEST_F(GoldenTest, DemoTrack) {
    for (const GoldenCase& c : kDemoCases) {
        Check(c, QUILLET_SOURCE_DIR "/demo/demo.cdg");
    }
}

// Each stream is read from a packet file in one format and from a raw image in the other.
TEST_F(GoldenTest, ColorLoadHeavyStream) {
    const auto [cdg, bin] = WriteStream(cdgauthor::StreamMix::ColorLoadHeavy(), kColorHeavyStream);
    Check(kColorHeavyCases[0], cdg);
    Check(kColorHeavyCases[1], bin);
}

// Sixteen distinct colours first, so that frames of a stream without colour loads show its tiles.
TEST_F(GoldenTest, TileBlockStream) {
    const auto [cdg, bin] = WriteStream(cdgauthor::StreamMix::TileBlocksOnly(), kTileStream);
    Check(kTileCases[0], bin, DistinctPalette());
    Check(kTileCases[1], cdg, DistinctPalette());
}
