// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::test {

// Feeds a parser of outside input every seed, then `iterations` inputs made from the seeds by
// random mutations (bit flips, byte changes, insertions, deletions, truncations, splices, repeated
// runs) and fully random inputs. The same seed value gives the same inputs on every run, so a
// failure is repeatable. Sanitizers turn any overrun into a failure; the target itself checks
// whatever must hold for every input.
void RunMutations(const std::vector<std::string>& seeds, std::size_t iterations, std::uint32_t seed,
                  const std::function<void(std::string_view input)>& target, std::size_t maxLength = 65536);

} // namespace zk::test
