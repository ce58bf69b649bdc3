#pragma once

#include <cstdint>

// GDSII record types and data types by their standard names. A record header is a 2-byte
// big-endian total length (header included), the record type and the data type.
namespace gds {

constexpr int8_t kHeader = 0;
constexpr int8_t kBgnLib = 1;
constexpr int8_t kLibName = 2;
constexpr int8_t kUnits = 3;
constexpr int8_t kEndLib = 4;
constexpr int8_t kBgnStr = 5;
constexpr int8_t kStrName = 6;
constexpr int8_t kEndStr = 7;
constexpr int8_t kBoundary = 8;
constexpr int8_t kPath = 9;
constexpr int8_t kSref = 10;
constexpr int8_t kAref = 11;
constexpr int8_t kText = 12;
constexpr int8_t kLayer = 13;
constexpr int8_t kDataType = 14;
constexpr int8_t kWidth = 15;
constexpr int8_t kXy = 16;
constexpr int8_t kEndEl = 17;
constexpr int8_t kSname = 18;
constexpr int8_t kColRow = 19;
constexpr int8_t kTextNode = 20;
constexpr int8_t kNode = 21;
constexpr int8_t kTextType = 22;
constexpr int8_t kPresentation = 23;
constexpr int8_t kSpacing = 24;
constexpr int8_t kString = 25;
constexpr int8_t kStrans = 26;
constexpr int8_t kMag = 27;
constexpr int8_t kAngle = 28;
constexpr int8_t kUInteger = 29;
constexpr int8_t kUString = 30;
constexpr int8_t kRefLibs = 31;
constexpr int8_t kFonts = 32;
constexpr int8_t kPathType = 33;
constexpr int8_t kGenerations = 34;
constexpr int8_t kAttrTable = 35;
constexpr int8_t kStypTable = 36;
constexpr int8_t kStrType = 37;
constexpr int8_t kElFlags = 38;
constexpr int8_t kElKey = 39;
constexpr int8_t kLinkType = 40;
constexpr int8_t kLinkKeys = 41;
constexpr int8_t kNodeType = 42;
constexpr int8_t kPropAttr = 43;
constexpr int8_t kPropValue = 44;
constexpr int8_t kBox = 45;
constexpr int8_t kBoxType = 46;
constexpr int8_t kPlex = 47;
constexpr int8_t kBgnExtn = 48;
constexpr int8_t kEndExtn = 49;
constexpr int8_t kTapeNum = 50;
constexpr int8_t kTapeCode = 51;
constexpr int8_t kStrClass = 52;
constexpr int8_t kReserved = 53;
constexpr int8_t kFormat = 54;
constexpr int8_t kMask = 55;
constexpr int8_t kEndMasks = 56;
// Types from here up to 127 are unknown to the reader and skipped with a warning; among them
// LIBDIRSIZE 57, SRFNAME 58 and LIBSECUR 59.
constexpr int8_t kLibDirSize = 57;
constexpr int8_t kSrfName = 58;
constexpr int8_t kLibSecur = 59;
constexpr int8_t kFirstUnknownType = kLibDirSize;

// Data types (the second header byte).
constexpr uint8_t kNoData = 0;
constexpr uint8_t kBitArray = 1;
constexpr uint8_t kInt16 = 2;
constexpr uint8_t kInt32 = 3;
constexpr uint8_t kReal4 = 4;
constexpr uint8_t kReal8 = 5;
constexpr uint8_t kAscii = 6;

}  // namespace gds
