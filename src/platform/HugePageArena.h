// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace zk::platform {

// Memory for many objects that are freed all together, carved from 2 MB chunks that the kernel may
// back with huge pages. Walking thousands of objects of several kilobytes each (device records and
// list rows) then misses the TLB far less often. Not thread-safe: one thread, or the owner's lock.
class HugePageArena final {
public:
    static constexpr std::size_t kChunkBytes = std::size_t{2} << 20;

    HugePageArena() = default;
    ~HugePageArena() = default;
    HugePageArena(const HugePageArena&) = delete;
    HugePageArena& operator=(const HugePageArena&) = delete;

    // Memory for size bytes at the given alignment (a power of two, at most 4096). Larger requests
    // than a chunk get chunks of their own. Throws std::bad_alloc when no memory is left, as new does.
    void* Allocate(std::size_t size, std::size_t alignment);
    // Frees every chunk; the objects in them must have ended.
    void Reset();
    std::size_t ChunkCount() const { return m_chunks.size(); }

private:
    struct Free {
        void operator()(char* memory) const;
    };
    static std::unique_ptr<char, Free> NewChunk(std::size_t bytes);

    std::vector<std::unique_ptr<char, Free>> m_chunks;
    char* m_next = nullptr; // free part of the last chunk
    std::size_t m_left = 0;
};

// A standard allocator over an arena, for containers whose elements are only ever removed all at
// once (deallocating gives nothing back until the arena is reset).
template <typename T>
class ArenaAllocator {
public:
    using value_type = T;

    explicit ArenaAllocator(HugePageArena* arena) noexcept : m_arena(arena) {}
    template <typename U>
    ArenaAllocator(const ArenaAllocator<U>& other) noexcept : m_arena(other.Arena()) {}

    T* allocate(std::size_t count) { return static_cast<T*>(m_arena->Allocate(count * sizeof(T), alignof(T))); }
    void deallocate(T*, std::size_t) noexcept {}

    HugePageArena* Arena() const noexcept { return m_arena; }
    template <typename U>
    bool operator==(const ArenaAllocator<U>& other) const noexcept {
        return m_arena == other.Arena();
    }

private:
    HugePageArena* m_arena;
};

} // namespace zk::platform
