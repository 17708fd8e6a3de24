#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Test helpers that make and inspect .dbf bytes on their own, without the engine, so that tests
// compare the engine against an independent reading of the format.
namespace store::testing {

std::string ReadBytes(const std::filesystem::path& path);

struct FieldSpec {
  std::string name;
  char type;
  int width;
  int decimals = 0;
};

// A level-5 table written byte by byte: `records` hold the field values already padded, without the
// flag; `deleted` lists the record numbers (from 0) flagged '*'.
std::string MakeDbf(const std::vector<FieldSpec>& fields, const std::vector<std::vector<std::string>>& records,
                    uint8_t language_driver = 0xC9, const std::vector<size_t>& deleted = {});

uint32_t Le32(const std::string& bytes, size_t offset);
uint16_t Le16(const std::string& bytes, size_t offset);
void PutLe32(std::string& bytes, size_t offset, uint32_t value);
void PutLe16(std::string& bytes, size_t offset, uint16_t value);

// Left-aligned, blank-padded; right-aligned for numbers.
std::string Pad(const std::string& value, int width);
std::string PadLeft(const std::string& value, int width);

}  // namespace store::testing
