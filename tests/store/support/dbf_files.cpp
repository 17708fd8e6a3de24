#include "tests/store/support/dbf_files.h"

#include <stdio.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/system_texts.h"
#include "tests/support/scratch_folder.h"

namespace store::testing {

common::Text TempFolder::text() const {
#ifdef _WIN32
  const std::wstring& native = path().native();
  return common::Text(native.begin(), native.end()) + testing_support::kSeparator;
#else
  return common::PathToText(path().native()) + testing_support::kSeparator;
#endif
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

uint32_t Le32(const std::string& bytes, size_t offset) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24;
}

uint16_t Le16(const std::string& bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                               static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

void PutLe32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutLe16(std::string& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<char>(value);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

std::string Pad(const std::string& value, int width) {
  std::string out = value.substr(0, static_cast<size_t>(width));
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

std::string PadLeft(const std::string& value, int width) {
  return std::string(static_cast<size_t>(width) - value.size(), ' ') + value;
}

std::string MakeDbf(const std::vector<FieldSpec>& fields, const std::vector<std::vector<std::string>>& records,
                    uint8_t language_driver, const std::vector<size_t>& deleted) {
  size_t header_length = 32 + 32 * fields.size() + 1;
  size_t record_length = 1;
  for (const FieldSpec& field : fields) record_length += static_cast<size_t>(field.width);
  std::string bytes(header_length, '\0');
  bytes[0] = 0x03;
  bytes[1] = 124;  // 2024-05-17
  bytes[2] = 5;
  bytes[3] = 17;
  PutLe32(bytes, 4, static_cast<uint32_t>(records.size()));
  PutLe16(bytes, 8, static_cast<uint16_t>(header_length));
  PutLe16(bytes, 10, static_cast<uint16_t>(record_length));
  bytes[29] = static_cast<char>(language_driver);
  for (size_t i = 0; i < fields.size(); ++i) {
    size_t at = 32 + 32 * i;
    bytes.replace(at, fields[i].name.size(), fields[i].name);
    bytes[at + 11] = fields[i].type;
    bytes[at + 16] = static_cast<char>(fields[i].width);
    bytes[at + 17] = static_cast<char>(fields[i].decimals);
  }
  bytes[header_length - 1] = 0x0D;
  for (size_t r = 0; r < records.size(); ++r) {
    bool is_deleted = false;
    for (size_t d : deleted) is_deleted = is_deleted || d == r;
    bytes.push_back(is_deleted ? '*' : ' ');
    for (const std::string& value : records[r]) bytes += value;
  }
  bytes.push_back(0x1A);
  return bytes;
}

#ifdef _WIN32
// The independent readers are Debian tools; a Windows build has none of them, and the tests that
// need them skip.
std::string RunCommand(const std::string&, int*) { throw std::runtime_error("no shell commands on Windows"); }

bool HaveDebianPythonModule(const std::string&) { return false; }

bool HaveProgram(const std::string&) { return false; }
#else
std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("popen failed");
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int result = ::pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

bool HaveDebianPythonModule(const std::string& module) {
  int status = 0;
  RunCommand("/usr/bin/python3 -c 'import " + module + "' 2>/dev/null", &status);
  return status == 0;
}

bool HaveProgram(const std::string& name) {
  int status = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", &status);
  return status == 0;
}
#endif

}  // namespace store::testing
