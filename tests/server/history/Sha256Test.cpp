// SHA-256 against the published test vectors, whole and in uneven chunks.
#include "Sha256.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(Sha256, GivesThePublishedDigests)
{
    EXPECT_EQ(history::Sha256Hex(Bytes("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(history::Sha256Hex(Bytes("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(history::Sha256Hex(Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, GivesTheSameDigestWhateverTheChunks)
{
    const std::vector<uint8_t> million(1000000, 'a');
    const std::string expected = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
    EXPECT_EQ(history::Sha256Hex(million), expected);
    // Chunks of 1 to 130 bytes: some end inside a block, some cross one, some hold several.
    history::Sha256 hash;
    size_t at = 0;
    for (size_t chunk = 1; at < million.size(); chunk = chunk % 130 + 1) {
        const size_t taken = std::min(chunk, million.size() - at);
        hash.Update(std::span<const uint8_t>(million).subspan(at, taken));
        at += taken;
    }
    EXPECT_EQ(hash.Finish(), expected);
    // Lengths around the padding's edges (55, 56, 63, 64 bytes), whole and byte by byte.
    for (size_t length : {55u, 56u, 63u, 64u, 119u, 120u}) {
        history::Sha256 bytewise;
        for (size_t i = 0; i < length; ++i) {
            bytewise.Update(std::span<const uint8_t>(million).subspan(i, 1));
        }
        EXPECT_EQ(bytewise.Finish(), history::Sha256Hex(std::span<const uint8_t>(million).first(length))) << length;
    }
}

} // namespace
