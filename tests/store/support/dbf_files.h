#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/support/scratch_folder.h"

// Test helpers that make and inspect .dbf bytes on their own, without the engine, so that tests
// compare the engine against an independent reading of the format.
namespace store::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder : public testing_support::ScratchFolder {
 public:
  TempFolder() : ScratchFolder("store-test-") {}
  // The folder as the connection string carries it: with a final separator.
  common::Text text() const;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

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

// Runs a shell command and returns its standard output; sets `status` to its exit status.
std::string RunCommand(const std::string& command, int* status = nullptr);
bool HaveDebianPythonModule(const std::string& module);
bool HaveProgram(const std::string& name);

}  // namespace store::testing
