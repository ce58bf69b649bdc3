#pragma once

// The context tags that every Error carries: they name the component that detected the problem
// and are printed before the message ("ERROR: GDSIN: ...").
inline constexpr const char* kTagBinaryIn = "BinaryIn";
inline constexpr const char* kTagBinaryOut = "BinaryOut";
inline constexpr const char* kTagDb = "DB";
inline constexpr const char* kTagLibIn = "LIBIN";
inline constexpr const char* kTagLibOut = "LIBOUT";
// A library that another process has open for writing: the refusal is shown as "Wrong Usage".
inline constexpr const char* kTagLibLock = "LIBLOCK";
inline constexpr const char* kTagGdsIn = "GDSIN";
inline constexpr const char* kTagGdsOut = "GDSOUT";
inline constexpr const char* kTagOasisIn = "OASISIN";
inline constexpr const char* kTagOasisOut = "OASISOUT";
inline constexpr const char* kTagPolyOut = "POLYOUT";
// The polygon engine (merges, sizing, splitting) that the design-rule tools share.
inline constexpr const char* kTagDrc = "DRC";
// A failure that is not an Error (out of memory, a file-system error) caught at the top.
inline constexpr const char* kTagSystem = "SYSTEM";
