// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HugePageArena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace zk::platform {

void HugePageArena::Free::operator()(char* memory) const {
    std::free(memory);
}

std::unique_ptr<char, HugePageArena::Free> HugePageArena::NewChunk(std::size_t bytes) {
    auto* memory = static_cast<char*>(std::aligned_alloc(kChunkBytes, bytes));
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    // Only a hint: without huge pages the memory works the same.
    ::madvise(memory, bytes, MADV_HUGEPAGE);
    return std::unique_ptr<char, Free>(memory);
}

void* HugePageArena::Allocate(std::size_t size, std::size_t alignment) {
    if (size > kChunkBytes) {
        const std::size_t bytes = (size + kChunkBytes - 1) / kChunkBytes * kChunkBytes;
        // A chunk of its own, kept before the current one so that the current one stays last.
        auto chunk = NewChunk(bytes);
        char* memory = chunk.get();
        m_chunks.insert(m_chunks.empty() ? m_chunks.end() : m_chunks.end() - 1, std::move(chunk));
        return memory;
    }
    const auto misalignment = reinterpret_cast<std::uintptr_t>(m_next) & (alignment - 1);
    const std::size_t padding = misalignment != 0 ? alignment - misalignment : 0;
    if (m_next == nullptr || padding + size > m_left) {
        m_chunks.push_back(NewChunk(kChunkBytes));
        m_next = m_chunks.back().get();
        m_left = kChunkBytes;
        return Allocate(size, alignment);
    }
    char* memory = m_next + padding;
    m_next = memory + size;
    m_left -= padding + size;
    return memory;
}

void HugePageArena::Reset() {
    m_chunks.clear();
    m_next = nullptr;
    m_left = 0;
}

} // namespace zk::platform
