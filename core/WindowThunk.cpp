#include "core/WindowThunk.h"

#include <cstring>

namespace kvx {
namespace {

constexpr unsigned char kX86Template[] = {0xC7, 0x44, 0x24, 0x04, 0, 0, 0, 0,  // mov [esp+4], imm32
                                          0xE9, 0,    0,    0,    0};          // jmp rel32
constexpr unsigned char kX64Template[] = {0x48, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0,  // mov rcx, imm64
                                          0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0,  // mov rax, imm64
                                          0xFF, 0xE0};                         // jmp rax
static_assert(sizeof kX86Template == WindowThunkSize(TThunkArchitecture::X86));
static_assert(sizeof kX64Template == WindowThunkSize(TThunkArchitecture::X64));

// Immediates are little-endian whatever the machine that writes them.
template <typename T>
void PutLittleEndian(unsigned char* at, T value) noexcept {
  for (std::size_t i = 0; i < sizeof value; ++i)
    at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

void WriteWindowThunk(TThunkArchitecture architecture, unsigned char* code, std::uint64_t address,
                      std::uint64_t object, std::uint64_t target) noexcept {
  if (architecture == TThunkArchitecture::X86) {
    std::memcpy(code, kX86Template, sizeof kX86Template);
    // The jump counts from the end of the thunk, modulo 2^32.
    const auto relative = static_cast<std::uint32_t>(target - (address + sizeof kX86Template));
    PutLittleEndian(code + 4, static_cast<std::uint32_t>(object));
    PutLittleEndian(code + 9, relative);
  } else {
    std::memcpy(code, kX64Template, sizeof kX64Template);
    PutLittleEndian(code + 2, object);
    PutLittleEndian(code + 12, target);
  }
}

}  // namespace kvx
