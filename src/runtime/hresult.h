#pragma once

#include <cstdint>

namespace kestrilo {

// Outcome of an automation member call, with the values the dispatch
// interface of the platform gives them, so that logs read the same.
enum class HResult : std::uint32_t {
  kOk = 0,
  kFail = 0x80004005,
  kNotImpl = 0x80004001,
  kInvalidArg = 0x80070057,
  kOutOfMemory = 0x8007000E,
  kUnknownName = 0x80020006,
  kMemberNotFound = 0x80020003,
  kParamNotFound = 0x80020004,
  kTypeMismatch = 0x80020005,
  kNoNamedArgs = 0x80020007,
  kBadVarType = 0x80020008,
  kException = 0x80020009,
  kOverflow = 0x8002000A,
  kBadIndex = 0x8002000B,
  kBadParamCount = 0x8002000E,
  kParamNotOptional = 0x8002000F,
};

inline bool Succeeded(HResult result) { return result == HResult::kOk; }

}  // namespace kestrilo
