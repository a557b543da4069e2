// GUID text form, wide strings and the in-memory stream.
#include <gtest/gtest.h>

#include "platform/com/Guid.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/WideString.h"

using namespace com;

TEST(Guid, TextFormRoundTripsInRegistryCase) {
    const GUID g{0x0E07C9A5, 0x3D0E, 0x4A18, {0x92, 0xCA, 0x96, 0x68, 0x7A, 0x42, 0xB7, 0xFA}};
    EXPECT_EQ(StringFromGuid(g), "{0E07C9A5-3D0E-4A18-92CA-96687A42B7FA}");
    EXPECT_EQ(GuidFromString("{0e07c9a5-3d0e-4a18-92ca-96687a42b7fa}"), g);
    EXPECT_EQ(GuidFromString("0E07C9A5-3D0E-4A18-92CA-96687A42B7FA"), g);
    EXPECT_EQ(StringFromGuid(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
}

TEST(Guid, MalformedTextIsRefused) {
    for (const char* bad :
         {"", "{}", "{0E07C9A5-3D0E-4A18-92CA-96687A42B7FA",
          "{0E07C9A5-3D0E-4A18-92CA-96687A42B7F}", "{0E07C9A5+3D0E-4A18-92CA-96687A42B7FA}",
          "{0E07C9A5-3D0E-4A18-92CAX96687A42B7FA}", "{0E07C9G5-3D0E-4A18-92CA-96687A42B7FA}"}) {
        EXPECT_FALSE(GuidFromString(bad).has_value()) << bad;
    }
}

TEST(WideString, ConvertsBothWaysAndReplacesInvalidInput) {
    const std::wstring wide = L"Skellan \u00e9\u20ac\U0001F3B5";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
    EXPECT_EQ(WideToUtf8(L"Input"), "Input");
    EXPECT_EQ(Utf8ToWide("\xff"
                         "a"),
              L"\uFFFDa");
    EXPECT_EQ(Utf8ToWide("\xe2\x82"), L"\uFFFD\uFFFD");
}

TEST(MemoryStream, ReadsWritesAndSeeks) {
    auto* stream = new CMemoryStream();
    ULONG n = 0;
    EXPECT_EQ(stream->Write("abcdef", 6, &n), S_OK);
    EXPECT_EQ(n, 6u);
    uint64_t pos = 99;
    EXPECT_EQ(stream->Seek(2, STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(pos, 2u);
    char buffer[8] = {};
    EXPECT_EQ(stream->Read(buffer, 8, &n), S_FALSE) << "short read at the end";
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buffer, "cdef");
    EXPECT_EQ(stream->Seek(-7, STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(stream->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&unknown)),
              E_NOINTERFACE);
    EXPECT_EQ(stream->Release(), 0u);
}
