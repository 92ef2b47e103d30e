// Property queries: facts about a table and its keys, answered as text.
//
// Engine-internal: called by the dispatcher. The property number comes in
// the record argument, a component's 1-based index in the count argument,
// and the answer goes to the text result. A property this engine does not
// know answers empty text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tps/ops/control_block.h"

namespace tps {

namespace property {
inline constexpr int64_t kProgress = 29446;   // set: reports per deferred build (clamped 1..100), 0 off
inline constexpr int64_t kTrace = 29447;      // trace log: "1" on, "0" off
inline constexpr int64_t kTraceFile = 29448;  // the file trace lines are appended to
inline constexpr int64_t kKeys = 29455;
inline constexpr int64_t kBlobs = 29456;
inline constexpr int64_t kMemos = 29457;      // memos that are not blobs
inline constexpr int64_t kFields = 29458;
inline constexpr int64_t kEncrypt = 29459;
inline constexpr int64_t kDriver = 29460;
inline constexpr int64_t kOwner = 29461;
inline constexpr int64_t kName = 29462;       // the table's name; a key's label
inline constexpr int64_t kExternalName = 29463;
inline constexpr int64_t kOem = 29464;
inline constexpr int64_t kReclaim = 29465;
inline constexpr int64_t kComponents = 29466;
inline constexpr int64_t kDuplicates = 29467;
inline constexpr int64_t kOptional = 29468;
inline constexpr int64_t kNoCase = 29469;
inline constexpr int64_t kPrimary = 29470;
inline constexpr int64_t kComponentField = 29471;
inline constexpr int64_t kComponentAscending = 29472;
inline constexpr int64_t kKeyKind = 31745;
inline constexpr int64_t kThread = 31893;
inline constexpr int64_t kCreate = 31942;
}  // namespace property

// GETPROPERTYkey: `property` of key `key` (component `index` where it
// names one). 78 for a key the table does not have.
int get_key_property(ControlBlock& cb, int key, int64_t property, int32_t index, std::string* out);
// GET_PROPERTY: a table-level `property`.
int get_table_property(ControlBlock& cb, int64_t property, std::string* out);
// SET_PROPERTY: sets a table-level `property` to `value` (numbers as
// decimal text): the name, owner and driver string, which the declaration
// no longer overrides from then on; the ENCRYPT and OEM attributes; the
// progress setting; the trace settings. Other properties change nothing.
// Always 0.
int set_table_property(ControlBlock& cb, int64_t property, std::string_view value);

}  // namespace tps
