// The window-procedure thunk's bytes, run under a CPU emulator for each
// architecture: a caller calls them as the platform calls a window procedure,
// a target returns as a window procedure does, and the emulator's hooks see
// what the target receives and what the thunk writes.

#include "core/WindowThunk.h"

#include <gtest/gtest.h>
#include <unicorn/unicorn.h>

#include <bit>
#include <cstdint>
#include <map>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace kvx {
namespace {

static_assert(std::endian::native == std::endian::little, "the emulator's registers are read raw");

using TBytes = std::vector<unsigned char>;
using TRegisters = std::map<int, std::uint64_t>;

constexpr std::uint64_t kPage = 0x1000;
constexpr std::uint64_t kStackBase = 0x00200000, kStackSize = 0x10000;
constexpr std::uint64_t kStackStart = kStackBase + kStackSize - 0x100;  // 16-byte aligned

// The window handle, message and parameters the caller passes; the value the
// target returns.
struct TCall {
  std::uint64_t Window, Message, WParam, LParam, Result;
};
constexpr TCall kX86Call = {0x00050ABC, 0x0000C123, 0x8899AABB, 0xFFFFFFFE, 0x1234ABCD};
constexpr TCall kX64Call = {0x0000000000050ABC, 0x000000000000C123, 0x1122334455667788,
                            0xFFFFFFFFFFFFFFFE, 0x0123456789ABCDEF};

void Put(TBytes& code, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) code.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

struct TCaller {
  TBytes Code;
  std::uint64_t ReturnAddress;  // just after the call
  std::uint64_t End;            // where the caller is done
};

// stdcall: the four arguments pushed right to left, then call.
TCaller X86Caller(std::uint64_t at, std::uint64_t thunk, const TCall& call) {
  TCaller caller;
  for (std::uint64_t argument : {call.LParam, call.WParam, call.Message, call.Window}) {
    caller.Code.push_back(0x68);  // push imm32
    Put(caller.Code, argument, 4);
  }
  caller.Code.push_back(0xE8);  // call rel32
  const std::uint64_t next = at + caller.Code.size() + 4;
  Put(caller.Code, thunk - next, 4);
  caller.ReturnAddress = caller.End = next;
  return caller;
}

// x64: the four in rcx, rdx, r8, r9, 32 bytes of shadow space reserved by the
// caller, the stack 16-byte aligned at the call.
TCaller X64Caller(std::uint64_t at, std::uint64_t thunk, const TCall& call) {
  TCaller caller;
  caller.Code = {0x48, 0x83, 0xEC, 0x20};  // sub rsp, 32
  const unsigned char moves[][2] = {
      {0x48, 0xB9}, {0x48, 0xBA}, {0x49, 0xB8}, {0x49, 0xB9}, {0x48, 0xB8}};
  const std::uint64_t values[] = {call.Window, call.Message, call.WParam, call.LParam, thunk};
  for (int i = 0; i < 5; ++i) {  // mov rcx, rdx, r8, r9, rax, imm64
    caller.Code.insert(caller.Code.end(), moves[i], moves[i] + 2);
    Put(caller.Code, values[i], 8);
  }
  caller.Code.insert(caller.Code.end(), {0xFF, 0xD0});  // call rax
  caller.ReturnAddress = at + caller.Code.size();
  caller.Code.insert(caller.Code.end(), {0x48, 0x83, 0xC4, 0x20});  // add rsp, 32
  caller.End = at + caller.Code.size();
  return caller;
}

// Returns as a window procedure does: x86 pops its four arguments.
TBytes Target(TThunkArchitecture architecture, std::uint64_t result) {
  TBytes code;
  if (architecture == TThunkArchitecture::X86) {
    code.push_back(0xB8);  // mov eax, imm32
    Put(code, result, 4);
    code.insert(code.end(), {0xC2, 0x10, 0x00});  // ret 16
  } else {
    code.insert(code.end(), {0x48, 0xB8});  // mov rax, imm64
    Put(code, result, 8);
    code.push_back(0xC3);  // ret
  }
  return code;
}

struct TWrite {
  std::uint64_t Address;
  int Size;
  std::uint64_t Value;
};

class TEmulator {
 public:
  explicit TEmulator(TThunkArchitecture architecture)
      : FWord(architecture == TThunkArchitecture::X86 ? 4 : 8) {
    FError = uc_open(UC_ARCH_X86, FWord == 4 ? UC_MODE_32 : UC_MODE_64, &FEngine);
  }
  ~TEmulator() {
    if (FEngine) uc_close(FEngine);
  }
  TEmulator(const TEmulator&) = delete;
  TEmulator& operator=(const TEmulator&) = delete;

  // The first failure of any call so far, or UC_ERR_OK.
  uc_err Error() const { return FError; }

  void Map(std::uint64_t address, std::uint64_t size) {
    const std::uint64_t start = address & ~(kPage - 1);
    const std::uint64_t end = (address + size + kPage - 1) & ~(kPage - 1);
    Check(uc_mem_map(FEngine, start, end - start, UC_PROT_ALL));
  }
  void Load(std::uint64_t address, const TBytes& bytes) {
    Map(address, bytes.size());
    Check(uc_mem_write(FEngine, address, bytes.data(), bytes.size()));
  }
  std::uint64_t Word(std::uint64_t address) {
    std::uint64_t value = 0;
    Check(uc_mem_read(FEngine, address, &value, FWord));
    return value;
  }
  std::uint64_t Register(int id) {
    std::uint64_t value = 0;
    Check(uc_reg_read(FEngine, id, &value));
    return value;
  }
  void SetRegister(int id, std::uint64_t value) { Check(uc_reg_write(FEngine, id, &value)); }
  TRegisters Registers(const std::vector<int>& ids) {
    TRegisters registers;
    for (int id : ids) registers[id] = Register(id);
    return registers;
  }

  template <typename TCallback>
  void Hook(int type, TCallback callback, void* data) {
    uc_hook hook = 0;
    Check(uc_hook_add(FEngine, &hook, type, reinterpret_cast<void*>(callback), data, 1, 0));
  }

  // At most a hundred instructions and a second: a thunk that loses its way
  // ends the run instead of the test.
  uc_err Run(std::uint64_t begin, std::uint64_t until) {
    return uc_emu_start(FEngine, begin, until, UC_SECOND_SCALE, 100);
  }

 private:
  void Check(uc_err error) {
    if (FError == UC_ERR_OK) FError = error;
  }

  uc_engine* FEngine = nullptr;
  int FWord;
  uc_err FError = UC_ERR_OK;
};

struct TPlacement {
  const char* Name;
  TThunkArchitecture Architecture;
  std::uint64_t Caller, Thunk, Target, Object;
};

const TPlacement kPlacements[] = {
    {"X86TargetAfterTheThunk", TThunkArchitecture::X86, 0x00401000, 0x00500000, 0x00601000,
     0x00C0FFEE},
    {"X86TargetBeforeTheThunk", TThunkArchitecture::X86, 0x00401000, 0x10000000, 0x00402000,
     0x80001234},
    // Farther than a signed 32-bit distance: the jump wraps round the address space.
    {"X86TargetMoreThan2GiBBelowTheThunk", TThunkArchitecture::X86, 0x00401000, 0xC0000000,
     0x00403000, 0x7FFE0010},
    {"X64TargetNearTheThunk", TThunkArchitecture::X64, 0x140001000, 0x140100000, 0x140200000,
     0x000000B0C0FFEE00},
    {"X64TargetAndObjectAbove4GiBFarFromTheThunk", TThunkArchitecture::X64, 0x00401000, 0x00010000,
     0x7FF712340000, 0x00007FFFDEADBEE0},
};

// What the hooks see: the registers when the thunk starts and when the
// target starts, the stack's top words at the target, and every write the
// thunk's instructions make.
struct TTrace {
  TEmulator* Emulator = nullptr;
  const TPlacement* Placement = nullptr;
  std::vector<int> RegisterIds;
  TRegisters AtThunk, AtTarget;
  std::vector<std::uint64_t> StackAtTarget;
  int TargetEntries = 0;
  bool InThunk = false;
  std::vector<TWrite> ThunkWrites;
};

void OnCode(uc_engine*, std::uint64_t address, std::uint32_t, void* data) {
  auto& trace = *static_cast<TTrace*>(data);
  const TPlacement& at = *trace.Placement;
  const std::uint64_t thunkEnd = at.Thunk + WindowThunkSize(at.Architecture);
  const bool wasInThunk = trace.InThunk;
  trace.InThunk = address >= at.Thunk && address < thunkEnd;
  if (address == at.Thunk && !wasInThunk)
    trace.AtThunk = trace.Emulator->Registers(trace.RegisterIds);
  if (address != at.Target) return;
  ++trace.TargetEntries;
  trace.AtTarget = trace.Emulator->Registers(trace.RegisterIds);
  const bool x86 = at.Architecture == TThunkArchitecture::X86;
  const std::uint64_t sp = trace.AtTarget[x86 ? UC_X86_REG_ESP : UC_X86_REG_RSP];
  trace.StackAtTarget.clear();
  for (int i = 0; i < 5; ++i)
    trace.StackAtTarget.push_back(trace.Emulator->Word(sp + i * (x86 ? 4 : 8)));
}

void OnWrite(uc_engine*, uc_mem_type, std::uint64_t address, int size, std::int64_t value,
             void* data) {
  auto& trace = *static_cast<TTrace*>(data);
  if (trace.InThunk)
    trace.ThunkWrites.push_back({address, size, static_cast<std::uint64_t>(value)});
}

struct TRegisterName {
  int Id;
  const char* Name;
};
const TRegisterName kX86Registers[] = {{UC_X86_REG_EAX, "eax"}, {UC_X86_REG_EBX, "ebx"},
                                       {UC_X86_REG_ECX, "ecx"}, {UC_X86_REG_EDX, "edx"},
                                       {UC_X86_REG_ESI, "esi"}, {UC_X86_REG_EDI, "edi"},
                                       {UC_X86_REG_EBP, "ebp"}, {UC_X86_REG_ESP, "esp"}};
const TRegisterName kX64Registers[] = {
    {UC_X86_REG_RAX, "rax"}, {UC_X86_REG_RBX, "rbx"}, {UC_X86_REG_RCX, "rcx"},
    {UC_X86_REG_RDX, "rdx"}, {UC_X86_REG_RSI, "rsi"}, {UC_X86_REG_RDI, "rdi"},
    {UC_X86_REG_RBP, "rbp"}, {UC_X86_REG_RSP, "rsp"}, {UC_X86_REG_R8, "r8"},
    {UC_X86_REG_R9, "r9"},   {UC_X86_REG_R10, "r10"}, {UC_X86_REG_R11, "r11"},
    {UC_X86_REG_R12, "r12"}, {UC_X86_REG_R13, "r13"}, {UC_X86_REG_R14, "r14"},
    {UC_X86_REG_R15, "r15"}};

using TRegisterNames = std::span<const TRegisterName>;

std::vector<int> RegisterIds(bool x86) {
  std::vector<int> ids;
  for (const TRegisterName& name :
       x86 ? TRegisterNames(kX86Registers) : TRegisterNames(kX64Registers))
    ids.push_back(name.Id);
  return ids;
}

// The registers by name, in hex.
std::string Describe(const TRegisters& registers) {
  std::ostringstream out;
  out << std::hex;
  for (const auto& [id, value] : registers)
    for (TRegisterNames names : {TRegisterNames(kX86Registers), TRegisterNames(kX64Registers)})
      for (const TRegisterName& name : names)
        if (name.Id == id) out << ' ' << name.Name << "=0x" << value;
  return out.str();
}

void PrintTo(const TPlacement& placement, std::ostream* out) {
  *out << placement.Name;
}

// Words in hex, so a failure reads as addresses and values.
std::string Hex(const std::vector<std::uint64_t>& words) {
  std::ostringstream out;
  out << std::hex;
  for (std::uint64_t word : words) out << " 0x" << word;
  return out.str();
}

class WindowThunkUnderEmulator : public testing::TestWithParam<TPlacement> {};

TEST_P(WindowThunkUnderEmulator,
       ReachesTheTargetAsAWindowProcedureWithTheObjectAndReturnsBalanced) {
  const TPlacement& at = GetParam();
  const bool x86 = at.Architecture == TThunkArchitecture::X86;
  const TCall& call = x86 ? kX86Call : kX64Call;

  TBytes thunk(WindowThunkSize(at.Architecture));
  WriteWindowThunk(at.Architecture, thunk.data(), at.Thunk, at.Object, at.Target);
  const TCaller caller =
      x86 ? X86Caller(at.Caller, at.Thunk, call) : X64Caller(at.Caller, at.Thunk, call);

  TEmulator emulator(at.Architecture);
  ASSERT_EQ(emulator.Error(), UC_ERR_OK);
  emulator.Map(kStackBase, kStackSize);
  emulator.Load(at.Caller, caller.Code);
  emulator.Load(at.Thunk, thunk);
  emulator.Load(at.Target, Target(at.Architecture, call.Result));

  // Every general register with a value of its own, so one the thunk
  // should leave alone but changes is seen.
  const std::vector<int> ids = RegisterIds(x86);
  for (std::size_t i = 0; i < ids.size(); ++i)
    emulator.SetRegister(ids[i], (x86 ? 0x01010101u : 0x0101010101010101u) * (i + 1));
  const int sp = x86 ? UC_X86_REG_ESP : UC_X86_REG_RSP;
  emulator.SetRegister(sp, kStackStart);

  TTrace trace;
  trace.Emulator = &emulator;
  trace.Placement = &at;
  trace.RegisterIds = ids;
  emulator.Hook(UC_HOOK_CODE, &OnCode, &trace);
  emulator.Hook(UC_HOOK_MEM_WRITE, &OnWrite, &trace);
  ASSERT_EQ(emulator.Error(), UC_ERR_OK) << uc_strerror(emulator.Error());

  const uc_err run = emulator.Run(at.Caller, caller.End);
  ASSERT_EQ(run, UC_ERR_OK) << uc_strerror(run) << " at 0x" << std::hex
                            << emulator.Register(x86 ? UC_X86_REG_EIP : UC_X86_REG_RIP);
  ASSERT_EQ(trace.TargetEntries, 1) << "the target runs once per call";
  ASSERT_FALSE(trace.AtThunk.empty()) << "the caller reaches the thunk";

  // The target: the object where the window handle was, the rest unchanged,
  // and the caller's return address on top of the caller's own stack.
  std::vector<std::uint64_t> expectedStack;
  TRegisters expected = trace.AtThunk;
  if (x86) {
    EXPECT_EQ(trace.AtTarget[sp], kStackStart - 20) << "four arguments and the return address";
    expectedStack = {caller.ReturnAddress, at.Object, call.Message, call.WParam, call.LParam};
    EXPECT_EQ(Hex(trace.StackAtTarget), Hex(expectedStack))
        << "return address, object, message, wParam, lParam";
    ASSERT_EQ(trace.ThunkWrites.size(), 1u) << "the thunk writes only the object";
    EXPECT_EQ(trace.ThunkWrites[0].Address, trace.AtThunk[sp] + 4);
    EXPECT_EQ(trace.ThunkWrites[0].Size, 4);
    EXPECT_EQ(trace.ThunkWrites[0].Value, at.Object);
  } else {
    EXPECT_EQ(trace.AtTarget[sp], kStackStart - 32 - 8) << "shadow space and the return address";
    EXPECT_EQ(trace.AtTarget[sp] % 16, 8u) << "aligned as after a call";
    EXPECT_EQ(trace.StackAtTarget[0], caller.ReturnAddress);
    EXPECT_TRUE(trace.ThunkWrites.empty()) << "the shadow space is the callee's, not the thunk's";
    EXPECT_EQ(trace.AtTarget[UC_X86_REG_RCX], at.Object);
    EXPECT_EQ(trace.AtTarget[UC_X86_REG_RDX], call.Message);
    EXPECT_EQ(trace.AtTarget[UC_X86_REG_R8], call.WParam);
    EXPECT_EQ(trace.AtTarget[UC_X86_REG_R9], call.LParam);
    // rax is the thunk's scratch register, volatile across any call.
    expected[UC_X86_REG_RCX] = at.Object;
    expected[UC_X86_REG_RAX] = trace.AtTarget[UC_X86_REG_RAX];
  }
  EXPECT_EQ(Describe(trace.AtTarget), Describe(expected)) << "registers the thunk must leave alone";

  // Back in the caller: the stack as before the call and the target's result.
  EXPECT_EQ(emulator.Register(sp), kStackStart) << "stack balanced";
  EXPECT_EQ(emulator.Register(x86 ? UC_X86_REG_EAX : UC_X86_REG_RAX), call.Result);
  EXPECT_EQ(emulator.Error(), UC_ERR_OK) << uc_strerror(emulator.Error());
}

INSTANTIATE_TEST_SUITE_P(Placements, WindowThunkUnderEmulator, testing::ValuesIn(kPlacements),
                         [](const testing::TestParamInfo<TPlacement>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace kvx
