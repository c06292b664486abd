// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The login's challenge and response (docs/session-protocol.md): a key derived from the password
// with PBKDF2-HMAC-SHA256 over the device's salt, and HMAC-SHA256 proofs over both sides' nonces,
// so that neither the password nor anything replayable crosses the wire. libcrypto does the work;
// every function is thread-safe.
namespace zk::sdk {

inline constexpr std::size_t kNonceBytes = 32;
inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kKeyBytes = 32;
inline constexpr std::size_t kProofBytes = 32;
// Iterations a client accepts from a device: fewer would make a captured login cheap to guess
// offline; more would let a hostile device keep the client's thread busy.
inline constexpr std::uint32_t kMinKeyIterations = 1000;
inline constexpr std::uint32_t kMaxKeyIterations = 100000;

using Nonce = std::array<std::uint8_t, kNonceBytes>;
using Salt = std::array<std::uint8_t, kSaltBytes>;
using LoginKey = std::array<std::uint8_t, kKeyBytes>;
using Proof = std::array<std::uint8_t, kProofBytes>;

// Fills the buffer from the system's secure random source; returns 0 or -1.
int RandomBytes(std::uint8_t* data, std::size_t size);

// PBKDF2-HMAC-SHA256(password, salt, iterations). Returns 0 or -1.
int DeriveLoginKey(std::string_view password, const Salt& salt, std::uint32_t iterations, LoginKey& key);

// What the client proves: HMAC(key, "ZKSP client" | device nonce | client nonce | user).
Proof ClientProof(const LoginKey& key, const Nonce& deviceNonce, const Nonce& clientNonce, std::string_view user);
// What the device proves back: HMAC(key, "ZKSP device" | client nonce | device nonce | user).
Proof DeviceProof(const LoginKey& key, const Nonce& deviceNonce, const Nonce& clientNonce, std::string_view user);

// Comparison in constant time, so that timing tells nothing about how much of a proof was right.
bool ProofsEqual(const Proof& a, const Proof& b);

// Overwrites memory that held a password or key, in a way the compiler keeps.
void Wipe(void* data, std::size_t size);

} // namespace zk::sdk
