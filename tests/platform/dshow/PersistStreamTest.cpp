// WriteInt and ReadInt: the persistent number format, and malformed or short input.
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com/MemoryStream.h"
#include "platform/dshow/PersistStream.h"

using namespace dshow;

namespace {

std::vector<uint8_t> Utf16(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

struct StreamHolder {
    explicit StreamHolder(std::vector<uint8_t> data = {})
        : stream(new CMemoryStream(std::move(data))) {}
    ~StreamHolder() { stream->Release(); }
    CMemoryStream* stream;
};

int Read(const std::u16string& text, HRESULT& hr) {
    StreamHolder s(Utf16(text));
    return ReadInt(s.stream, hr);
}

}  // namespace

TEST(WriteInt, WritesElevenZeroFilledDigitsAndASpaceInUtf16) {
    StreamHolder s;
    ASSERT_EQ(WriteInt(s.stream, 100), S_OK);
    ASSERT_EQ(WriteInt(s.stream, -42), S_OK);
    ASSERT_EQ(WriteInt(s.stream, INT_MIN), S_OK);
    EXPECT_EQ(s.stream->Data(), Utf16(u"00000000100 -0000000042 -2147483648 "));
}

TEST(ReadInt, ReadsWhatWriteIntWritesAndAcceptsEveryTerminator) {
    for (const int n : {0, 1, -1, 100, 300, -32768, INT_MAX, INT_MIN}) {
        StreamHolder s;
        ASSERT_EQ(WriteInt(s.stream, n), S_OK);
        s.stream->Seek(0, com::STREAM_SEEK_SET, nullptr);
        HRESULT hr = E_FAIL;
        EXPECT_EQ(ReadInt(s.stream, hr), n);
        EXPECT_EQ(hr, S_OK);
    }
    for (const char16_t end : {u' ', u'\t', u'\r', u'\n', u'\0'}) {
        HRESULT hr = E_FAIL;
        EXPECT_EQ(Read(std::u16string(u"-17") + end, hr), -17);
        EXPECT_EQ(hr, S_OK);
    }
}

TEST(ReadInt, RefusesMalformedOverlongAndTruncatedNumbers) {
    struct Case {
        const char* what;
        std::u16string text;
    };
    const Case cases[] = {
        {"letter", u"000000001a0 "},
        {"plus sign", u"+5 "},
        {"second minus", u"--5 "},
        {"above INT_MAX", u"2147483648 "},
        {"below INT_MIN", u"-2147483649 "},
        {"endless digits", std::u16string(5000, u'9')},
        {"ends inside the number", u"00000000100"},
        {"empty stream", u""},
        {"non-ASCII digit", u"\u0661 "},
    };
    for (const Case& c : cases) {
        HRESULT hr = S_OK;
        EXPECT_EQ(Read(c.text, hr), 0) << c.what;
        EXPECT_EQ(hr, VFW_E_INVALID_FILE_FORMAT) << c.what;
    }
    StreamHolder odd({'5', 0, ' '});  // half a character at the end
    HRESULT hr = S_OK;
    ReadInt(odd.stream, hr);
    EXPECT_EQ(hr, VFW_E_INVALID_FILE_FORMAT);
}
