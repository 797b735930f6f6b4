#pragma once
// The bytes of a window procedure made for one object: called as the
// platform calls any window procedure, they put the object where the window
// handle was and jump to a target that takes the object first. Free of the
// platform, so the same bytes can be run under an emulator for either
// architecture whatever the machine.

#include <cstddef>
#include <cstdint>

namespace kvx {

enum class TThunkArchitecture { X86, X64 };

// x86: mov dword ptr [esp+4], object ; jmp rel32 target
// x64: mov rcx, object ; mov rax, target ; jmp rax
constexpr std::size_t WindowThunkSize(TThunkArchitecture architecture) noexcept {
  return architecture == TThunkArchitecture::X86 ? 13 : 22;
}

// Writes WindowThunkSize(architecture) bytes to code. address is where the
// bytes will run (x86 jumps relative to it). For x86 only the low 32 bits of
// each value count, as on the platform itself.
void WriteWindowThunk(TThunkArchitecture architecture, unsigned char* code, std::uint64_t address,
                      std::uint64_t object, std::uint64_t target) noexcept;

}  // namespace kvx
