// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FuzzDriver.h"

#include <algorithm>
#include <random>

namespace zk::test {
namespace {

// Bytes that parsers of text and binary formats treat specially.
constexpr char kInteresting[] = {'\0', '<',  '>',  '/',  '"',    '=',    ';',   '&',
                                 ' ',  '\n', '\r', '\t', '\x7f', '\x80', '\xff'};

std::string Mutate(std::string input, const std::vector<std::string>& seeds, std::mt19937& random,
                   std::size_t maxLength) {
    std::uniform_int_distribution<int> steps(1, 8);
    const int count = steps(random);
    for (int step = 0; step < count; ++step) {
        const std::size_t size = input.size();
        auto position = [&](std::size_t limit) {
            return limit == 0 ? std::size_t{0} : static_cast<std::size_t>(random() % limit);
        };
        switch (random() % 9) {
        case 0: // flip a bit
            if (size > 0) {
                input[position(size)] ^= static_cast<char>(1u << (random() % 8));
            }
            break;
        case 1: // set a byte to a random value
            if (size > 0) {
                input[position(size)] = static_cast<char>(random());
            }
            break;
        case 2: // set a byte to an interesting value
            if (size > 0) {
                input[position(size)] = kInteresting[random() % sizeof(kInteresting)];
            }
            break;
        case 3: // insert random bytes
            input.insert(position(size + 1), std::string(1 + random() % 8, static_cast<char>(random())));
            break;
        case 4: // delete a run
            if (size > 0) {
                const std::size_t at = position(size);
                input.erase(at, 1 + random() % std::max<std::size_t>(1, size - at));
            }
            break;
        case 5: // truncate
            input.resize(position(size + 1));
            break;
        case 6: // splice in part of another seed
            if (!seeds.empty()) {
                const std::string& other = seeds[random() % seeds.size()];
                if (!other.empty()) {
                    const std::size_t from = position(other.size());
                    input.insert(position(size + 1), other.substr(from, 1 + random() % (other.size() - from)));
                }
            }
            break;
        case 7: // repeat a run many times
            if (size > 0) {
                const std::size_t at = position(size);
                const std::string run = input.substr(at, 1 + random() % std::min<std::size_t>(16, size - at));
                std::string repeated;
                for (int i = 0, times = 1 + static_cast<int>(random() % 64); i < times; ++i) {
                    repeated += run;
                }
                input.insert(at, repeated);
            }
            break;
        default: // copy a run within the input
            if (size > 1) {
                const std::size_t from = position(size);
                const std::string run = input.substr(from, 1 + random() % (size - from));
                input.insert(position(size + 1), run);
            }
            break;
        }
        if (input.size() > maxLength) {
            input.resize(maxLength);
        }
    }
    return input;
}

} // namespace

void RunMutations(const std::vector<std::string>& seeds, std::size_t iterations, std::uint32_t seed,
                  const std::function<void(std::string_view input)>& target, std::size_t maxLength) {
    std::mt19937 random(seed);
    for (const auto& input : seeds) {
        target(input);
    }
    for (std::size_t i = 0; i < iterations; ++i) {
        std::string input;
        if (seeds.empty() || i % 16 == 15) {
            input.resize(random() % std::min<std::size_t>(maxLength, 4096));
            for (auto& c : input) {
                c = static_cast<char>(random());
            }
        } else {
            input = Mutate(seeds[random() % seeds.size()], seeds, random, maxLength);
        }
        target(input);
    }
}

} // namespace zk::test
