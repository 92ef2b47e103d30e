#include "tps/ops/operation_codes.h"

namespace tps::op {

std::string_view operation_name(int code) {
  switch (code) {
    case kAdd: return "ADD";
    case kBof: return "BOF";
    case kBuildFile: return "BUILDfile";
    case kAppend: return "APPEND";
    case kBuildDyn: return "BUILDdyn";
    case kBuildKey: return "BUILDkey";
    case kClose: return "CLOSE";
    case kCommit: return "COMMIT";
    case kCopy: return "COPY";
    case kCreate: return "CREATE";
    case kDelete: return "DELETE";
    case kDuplicate: return "DUPLICATE";
    case kEmpty: return "EMPTY";
    case kEof: return "EOF";
    case kGetFileKey: return "GETfilekey";
    case kGetFilePtr: return "GETfileptr";
    case kGetKeyPtr: return "GETkeyptr";
    case kHoldFile: return "HOLDfile";
    case kHoldFileSec: return "HOLDfilesec";
    case kLockFile: return "LOCKfile";
    case kLockFileSec: return "LOCKfilesec";
    case kLogout: return "LOGOUT";
    case kName: return "NAME";
    case kNext: return "NEXT";
    case kOpen: return "OPEN";
    case kPack: return "PACK";
    case kPointerFile: return "POINTERfile";
    case kPointerKey: return "POINTERkey";
    case kFlush: return "FLUSH";
    case kPut: return "PUT";
    case kPrevious: return "PREVIOUS";
    case kRecordsFile: return "RECORDSfile";
    case kRecordsKey: return "RECORDSkey";
    case kBuildDynFilter: return "BUILDdynfilter";
    case kStartTransaction: return "STARTRAN";
    case kRelease: return "RELEASE";
    case kRemove: return "REMOVE";
    case kRename: return "RENAME";
    case kEndTransaction: return "ENDTRAN";
    case kRollback: return "ROLLBACK";
    case kSetFile: return "SETfile";
    case kSetFileKey: return "SETfilekey";
    case kSetFilePtr: return "SETfileptr";
    case kSetKey: return "SETkey";
    case kSetKeyKey: return "SETkeykey";
    case kSetKeyPtr: return "SETkeyptr";
    case kSetKeyKeyPtr: return "SETkeykeyptr";
    case kShare: return "SHARE";
    case kSkip: return "SKIP";
    case kUnlock: return "UNLOCK";
    case kBytes: return "BYTES";
    case kPutFilePtr: return "PUTfileptr";
    case kStream: return "STREAM";
    case kDuplicateKey: return "DUPLICATEkey";
    case kWatch: return "WATCH";
    case kSend: return "SEND";
    case kPositionFile: return "POSITIONfile";
    case kPositionKey: return "POSITIONkey";
    case kResetFile: return "RESETfile";
    case kResetKey: return "RESETkey";
    case kNoMemo: return "NOMEMO";
    case kRegetFile: return "REGETfile";
    case kRegetKey: return "REGETkey";
    case kSetProperty: return "SET_PROPERTY";
    case kGetProperty: return "GET_PROPERTY";
    case kQueryView: return "QUERY_VIEW";
    case kBlobYield: return "BLOB_YIELD";
    case kBlobTake: return "BLOB_TAKE";
    case kBlobSize: return "BLOB_SIZE";
    case kBlobSetProp: return "BLOB_SET_PROP";
    case kBlobGetProp: return "BLOB_GET_PROP";
    case kSetPropertyKey: return "SETPROPERTYkey";
    case kGetPropertyKey: return "GETPROPERTYkey";
    case kInView: return "INVIEW";
    case kEndView: return "ENDVIEW";
    case kGetState: return "GETSTATE";
    case kRestoreState: return "RESTORESTATE";
    case kFreeState: return "FREESTATE";
    default: return {};
  }
}

}  // namespace tps::op
