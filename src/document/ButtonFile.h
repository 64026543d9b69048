#pragma once
// Buttonize's settings file (".btn"): three 16-byte records, Normal, Pressed, Roll-over, 48
// bytes, little-endian, no header. Each record: bevel size (int16), a reserved int16 kept as
// read, transparency (int16), brightness offset (int16), upper-left and bottom-right colours
// (uint32, red in the low byte). Values read outside a field's range are limited to it and a
// colour's high byte is dropped.

#include "document/Effects.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

using CButtonRecords = std::array<CButtonRecord, 3>; // Normal, Pressed, Roll-over
inline constexpr int kButtonNormal = 0, kButtonPressed = 1, kButtonRollOver = 2;
inline constexpr std::size_t kButtonFileSize = 48;

// The records before any file was read: what the shipped default file holds.
CButtonRecords DefaultButtonRecords();

// Fills the records the bytes cover completely (the first 48 bytes at most); the others keep
// their values. Returns how many records were read.
int ReadButtonRecords(const std::uint8_t* bytes, std::size_t size, CButtonRecords& records);
std::vector<std::uint8_t> ButtonFileBytes(const CButtonRecords& records);

// The file forms: false when the file cannot be read (records untouched) or written. A save
// writes beside the target and renames over it.
bool LoadButtonFile(const std::string& path, CButtonRecords& records);
bool SaveButtonFile(const std::string& path, const CButtonRecords& records);

} // namespace tsl
