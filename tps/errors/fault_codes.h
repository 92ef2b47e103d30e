// Fault codes of the engine, one named constant per consistency check.
// The numbers are part of the engine's observable behaviour (they are shown
// to the user as the detail of error 90) and must not change.
#pragma once

namespace tps::fault {

// File header, page images, page cache and the number counter.
inline constexpr int kRefreshBeforeRoot = 1013;      // header refresh failed before reading the root
inline constexpr int kRefreshBeforeTruncate = 1143;  // header refresh failed before truncation
inline constexpr int kNumberInReaderMode = 1163;     // record number requested in reader mode
inline constexpr int kRefreshBeforeNumber = 1164;    // header refresh failed before issuing a number
inline constexpr int kNumberExhausted = 1173;        // number counter reached 0xFE000000
inline constexpr int kPageSizeMismatch = 1477;       // stored size does not match the size class
inline constexpr int kDecodedSizeMismatch = 1602;    // records do not end at the uncompressed size
inline constexpr int kPageInNoRegion = 1735;         // page number lies in no region
inline constexpr int kShortCheckedRead = 2172;       // checked read got fewer bytes than asked
inline constexpr int kReadLengthNot64 = 2272;        // read length not a multiple of 64
inline constexpr int kReadFailed = 2277;             // read call failed
inline constexpr int kWriteLengthNot64 = 2286;       // write length not a multiple of 64
inline constexpr int kSeekMissed = 2341;             // seek did not land (never raised: I/O is positioned)

// Records and the page tree.
inline constexpr int kInsertNearInReaderMode = 231;
inline constexpr int kRefreshBeforeInsertNear = 232;
inline constexpr int kRefreshBeforeReattach = 256;
inline constexpr int kInconsistentParentLinks = 300;
inline constexpr int kInPlaceInReaderMode = 337;
inline constexpr int kLiteralCountOverrun = 522;
inline constexpr int kRepeatCountOverrun = 530;
inline constexpr int kDuplicateRecordKey = 706;
inline constexpr int kDeleteMissingRecord = 780;
inline constexpr int kRecordTooLong = 824;
inline constexpr int kInsertInReaderMode = 1194;
inline constexpr int kDeleteInReaderMode = 1203;
inline constexpr int kSplitTooFewRecords = 1364;

// Placement and commit.
inline constexpr int kEncodedOverEstimate = 1659;
inline constexpr int kImageTooLarge = 1678;
inline constexpr int kRegionShiftTooLarge = 1781;
inline constexpr int kMovedPageEmpty = 1891;
inline constexpr int kMovedPageParentMissing = 1894;

// Structure checks that guard against malformed files.
inline constexpr int kIndexWithoutEntry = 3001;   // index page has no entry for a key
inline constexpr int kChildLevelMismatch = 3002;  // child page not one level below its parent
inline constexpr int kKeysOutOfOrder = 3003;      // a step through the tree did not move past its key

// Locking and transactions.
inline constexpr int kTooManyTransactionFiles = 2183;
inline constexpr int kLockRequestMixed = 2328;
inline constexpr int kUnlockRequestMixed = 2352;

}  // namespace tps::fault
