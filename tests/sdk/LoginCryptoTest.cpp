// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/LoginCrypto.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zk::sdk {
namespace {

template <std::size_t N>
std::string Hex(const std::array<std::uint8_t, N>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof(digits), "%02x", byte);
        text += digits;
    }
    return text;
}

struct Inputs {
    Salt salt{};
    Nonce deviceNonce{};
    Nonce clientNonce{};
    Inputs() {
        for (std::size_t i = 0; i < salt.size(); ++i) {
            salt[i] = static_cast<std::uint8_t>(i);
        }
        for (std::size_t i = 0; i < kNonceBytes; ++i) {
            deviceNonce[i] = static_cast<std::uint8_t>(0xA0 + i);
            clientNonce[i] = static_cast<std::uint8_t>(0x10 + i);
        }
    }
};

// Values computed independently (Python's hashlib and hmac); they pin the login's wire format,
// so that a client and a device built from different versions still agree.
TEST(LoginCryptoTest, KeyAndProofsMatchIndependentlyComputedValues) {
    const Inputs in;
    LoginKey key{};
    ASSERT_EQ(DeriveLoginKey("507913", in.salt, 2048, key), 0);
    EXPECT_EQ(Hex(key), "75edcec335e0d52f35a6eaf4b3cdc23bdbddb7e1ce5c8b5ad06a2d4ff5aa37d1");
    EXPECT_EQ(Hex(ClientProof(key, in.deviceNonce, in.clientNonce, "admin")),
              "f9dd6a8aacbbe26b297e9ea03fea168b84cc57a1cba6826e232bb804f9f85b50");
    EXPECT_EQ(Hex(DeviceProof(key, in.deviceNonce, in.clientNonce, "admin")),
              "11e6a75199f8fa0eedae5ef82a33f36080e9ea1321a35f0f78efc9fa1060585e");
}

TEST(LoginCryptoTest, ProofChangesWithEveryInput) {
    const Inputs in;
    LoginKey key{};
    LoginKey otherKey{};
    ASSERT_EQ(DeriveLoginKey("507913", in.salt, kMinKeyIterations, key), 0);
    ASSERT_EQ(DeriveLoginKey("507914", in.salt, kMinKeyIterations, otherKey), 0);
    const Proof proof = ClientProof(key, in.deviceNonce, in.clientNonce, "admin");
    Nonce nonce = in.deviceNonce;
    nonce[31] ^= 1;
    EXPECT_FALSE(ProofsEqual(proof, ClientProof(otherKey, in.deviceNonce, in.clientNonce, "admin"))) << "password";
    EXPECT_FALSE(ProofsEqual(proof, ClientProof(key, nonce, in.clientNonce, "admin"))) << "device nonce";
    EXPECT_FALSE(ProofsEqual(proof, ClientProof(key, in.deviceNonce, nonce, "admin"))) << "client nonce";
    EXPECT_FALSE(ProofsEqual(proof, ClientProof(key, in.deviceNonce, in.clientNonce, "admin2"))) << "user";
    // A client's proof never serves as the device's answer, so a device cannot echo it back.
    EXPECT_FALSE(ProofsEqual(proof, DeviceProof(key, in.deviceNonce, in.clientNonce, "admin")));
    EXPECT_TRUE(ProofsEqual(proof, ClientProof(key, in.deviceNonce, in.clientNonce, "admin")));
}

} // namespace
} // namespace zk::sdk
