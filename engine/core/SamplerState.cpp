#include "core/SamplerState.h"

#include <cstdlib>
#include <new>

void* SamplerState::operator new(std::size_t size)
{
    void* p = std::calloc(1, size);
    if (!p) throw std::bad_alloc();
    return p;
}

void SamplerState::operator delete(void* p) noexcept
{
    std::free(p);
}
