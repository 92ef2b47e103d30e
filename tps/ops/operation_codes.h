// The operation codes of the engine's entry point, with the names the trace
// log prints for them.
#pragma once

#include <string_view>

namespace tps::op {

inline constexpr int kAdd = 1;
inline constexpr int kBof = 2;
inline constexpr int kBuildFile = 3;
inline constexpr int kAppend = 4;
inline constexpr int kBuildDyn = 5;
inline constexpr int kBuildKey = 6;
inline constexpr int kClose = 7;
inline constexpr int kCommit = 8;
inline constexpr int kCopy = 9;
inline constexpr int kCreate = 10;
inline constexpr int kDelete = 11;
inline constexpr int kDuplicate = 12;
inline constexpr int kEmpty = 13;
inline constexpr int kEof = 14;
inline constexpr int kGetFileKey = 15;
inline constexpr int kGetFilePtr = 16;
inline constexpr int kGetKeyPtr = 17;
inline constexpr int kHoldFile = 18;
inline constexpr int kHoldFileSec = 19;
inline constexpr int kLockFile = 20;
inline constexpr int kLockFileSec = 21;
inline constexpr int kLogout = 22;
inline constexpr int kName = 23;
inline constexpr int kNext = 24;
inline constexpr int kOpen = 25;
inline constexpr int kPack = 26;
inline constexpr int kPointerFile = 27;
inline constexpr int kPointerKey = 28;
inline constexpr int kFlush = 29;
inline constexpr int kPut = 30;
inline constexpr int kPrevious = 31;
inline constexpr int kRecordsFile = 32;
inline constexpr int kRecordsKey = 33;
inline constexpr int kBuildDynFilter = 34;
inline constexpr int kStartTransaction = 35;  // takes the transaction lock
inline constexpr int kRelease = 36;
inline constexpr int kRemove = 37;
inline constexpr int kRename = 38;
inline constexpr int kEndTransaction = 39;    // gives the transaction lock back
inline constexpr int kRollback = 40;
inline constexpr int kSetFile = 41;
inline constexpr int kSetFileKey = 42;
inline constexpr int kSetFilePtr = 43;
inline constexpr int kSetKey = 44;
inline constexpr int kSetKeyKey = 45;
inline constexpr int kSetKeyPtr = 46;
inline constexpr int kSetKeyKeyPtr = 47;
inline constexpr int kShare = 48;
inline constexpr int kSkip = 49;
inline constexpr int kUnlock = 50;
inline constexpr int kBytes = 52;
inline constexpr int kPutFilePtr = 54;
inline constexpr int kStream = 56;
inline constexpr int kDuplicateKey = 57;
inline constexpr int kWatch = 58;
inline constexpr int kSend = 60;
inline constexpr int kPositionFile = 61;
inline constexpr int kPositionKey = 62;
inline constexpr int kResetFile = 63;
inline constexpr int kResetKey = 64;
inline constexpr int kNoMemo = 65;
inline constexpr int kRegetFile = 66;
inline constexpr int kRegetKey = 67;
inline constexpr int kSetProperty = 71;
inline constexpr int kGetProperty = 72;
inline constexpr int kLastSetKey = 73;        // 1-based key of the last SET, 0 for record order
inline constexpr int kQueryView = 74;         // answers 0 at once, without the engine lock
inline constexpr int kBlobYield = 75;
inline constexpr int kBlobTake = 76;
inline constexpr int kBlobSize = 77;
inline constexpr int kBlobSetProp = 78;
inline constexpr int kBlobGetProp = 79;
inline constexpr int kClearBuffers = 82;      // clears the record, memo and blob buffers
inline constexpr int kRunDeferredBuild = 84;
inline constexpr int kSetPropertyKey = 85;
inline constexpr int kGetPropertyKey = 86;
inline constexpr int kEntryPoint = 91;        // hands out the entry point itself
inline constexpr int kInView = 92;
inline constexpr int kEndView = 93;
inline constexpr int kHoldsMoreThan = 95;     // 1 when the table holds more records than asked
inline constexpr int kGetState = 98;
inline constexpr int kRestoreState = 99;
inline constexpr int kFreeState = 102;
inline constexpr int kDestroy = 104;          // discards the table's control block
inline constexpr int kNoOperation = 108;

// The trace-log name of an operation code; empty for codes without one.
std::string_view operation_name(int code);

}  // namespace tps::op
