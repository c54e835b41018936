#include "platform/sha256.h"

#include "platform/io_error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(Sha256, StandardVectors) {
    EXPECT_EQ(sw::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sw::sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // 55, 56 and 64 bytes: the length field just fits, just does not, a whole block.
    EXPECT_EQ(sw::sha256Hex(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(sw::sha256Hex(std::string(56, 'a')),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(sw::sha256Hex(std::string(64, 'a')),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(Sha256, PiecesOfAnySizeGiveTheSameDigest) {
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>((i * 37 + 11) & 0xFF);
    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 127u}) {
        sw::Sha256 sha;
        for (std::size_t at = 0; at < data.size(); at += piece)
            sha.update(data.substr(at, piece));
        EXPECT_EQ(sha.finishHex(), sw::sha256Hex(data)) << "pieces of " << piece;
    }
}

TEST(Sha256, OfFile) {
    sw::test::TempDir dir;
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    sw::test::writeFile(dir / "big.bin", bytes);
    EXPECT_EQ(sw::sha256OfFile((dir / "big.bin").string()), sw::sha256Hex(bytes));
    EXPECT_THROW(sw::sha256OfFile((dir / "missing").string()), sw::IoError);
}

} // namespace
