// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/LoginCrypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <climits>
#include <string>

namespace zk::sdk {
namespace {

Proof Mac(const LoginKey& key, std::string_view label, const Nonce& first, const Nonce& second, std::string_view user) {
    std::string message(label);
    message.append(reinterpret_cast<const char*>(first.data()), first.size());
    message.append(reinterpret_cast<const char*>(second.data()), second.size());
    message.append(user);
    Proof proof{};
    unsigned int length = 0;
    if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(message.data()), message.size(), proof.data(),
             &length) == nullptr ||
        length != proof.size()) {
        // A failed MAC must not match anything: an all-zero proof is as unguessable as it is useless.
        proof.fill(0);
    }
    return proof;
}

} // namespace

int RandomBytes(std::uint8_t* data, std::size_t size) {
    return size <= INT_MAX && RAND_bytes(data, static_cast<int>(size)) == 1 ? 0 : -1;
}

int DeriveLoginKey(std::string_view password, const Salt& salt, std::uint32_t iterations, LoginKey& key) {
    if (iterations == 0 || iterations > INT_MAX || password.size() > INT_MAX) {
        return -1;
    }
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                             static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                             static_cast<int>(key.size()), key.data()) == 1
               ? 0
               : -1;
}

Proof ClientProof(const LoginKey& key, const Nonce& deviceNonce, const Nonce& clientNonce, std::string_view user) {
    return Mac(key, "ZKSP client", deviceNonce, clientNonce, user);
}

Proof DeviceProof(const LoginKey& key, const Nonce& deviceNonce, const Nonce& clientNonce, std::string_view user) {
    return Mac(key, "ZKSP device", clientNonce, deviceNonce, user);
}

bool ProofsEqual(const Proof& a, const Proof& b) {
    return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

void Wipe(void* data, std::size_t size) {
    OPENSSL_cleanse(data, size);
}

} // namespace zk::sdk
