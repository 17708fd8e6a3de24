#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/text.h"

namespace platform {
class Codepage;
}

// The bytes of a dBase level-5 table file without memo (docs/dbf-layout.md lists every offset):
// a 32-byte header, one 32-byte descriptor per field, the 0x0D terminator, the records (a flag byte,
// ' ' live or '*' deleted, then the fields side by side) and the 0x1A end marker.
namespace store::dbf {

inline constexpr size_t kFixedHeaderSize = 32;
inline constexpr size_t kDescriptorSize = 32;
inline constexpr size_t kDateOffset = 1;
inline constexpr size_t kRecordCountOffset = 4;
inline constexpr size_t kHeaderLengthOffset = 8;
inline constexpr size_t kRecordLengthOffset = 10;
inline constexpr size_t kMdxFlagOffset = 28;
inline constexpr size_t kLanguageDriverOffset = 29;
inline constexpr size_t kFieldTypeOffset = 11;
inline constexpr size_t kFieldWidthOffset = 16;
inline constexpr size_t kFieldDecimalsOffset = 17;
inline constexpr size_t kMaxFieldNameLength = 10;

inline constexpr char kHeaderTerminator = 0x0D;
inline constexpr char kEndOfData = 0x1A;
inline constexpr char kLiveFlag = ' ';
inline constexpr char kDeletedFlag = '*';

inline constexpr uint8_t kVersionLevel5 = 0x03;
inline constexpr uint8_t kLdidWindows1251 = 0xC9;
inline constexpr int kMaxCharacterWidth = 254;
inline constexpr int kIntegerWidth = 11;  // "-2147483648"

struct Field {
  std::string name;  // upper case as stored, without the NUL padding
  char type = 'C';
  int width = 0;
  int decimals = 0;
  size_t offset = 0;  // within the record, counting the flag byte

  bool numeric() const { return type == 'N' || type == 'F'; }
};

struct Header {
  uint8_t version = kVersionLevel5;
  uint8_t mdx_flag = 0;
  uint8_t language_driver = kLdidWindows1251;
  uint32_t record_count = 0;  // as the header states it; the table file reconciles it with the size
  size_t header_length = 0;
  size_t record_length = 0;
  std::vector<Field> fields;

  size_t RecordOffset(uint32_t index) const { return header_length + size_t{index} * record_length; }
  // Index of the field named `name` (ASCII case ignored), or -1.
  int FindField(std::string_view name) const;
};

// Parses and checks the header. `bytes` holds at least the first 32 bytes; when it holds fewer than
// the header length states, the descriptors are read from what is there. Throws common::Error with
// the reason ("the header length does not match its 3 field descriptors", ...) for anything that
// does not add up, so a damaged table never yields shifted values.
Header ParseHeader(std::string_view bytes);
// Bytes needed for ParseHeader to see every descriptor: the header length stated in bytes 8-9.
size_t StatedHeaderLength(std::string_view first_32_bytes);

// The whole header of a new table: version 0x03, `today` as the date of last update, no MDX flag, the
// given language driver, the descriptors with zero offsets, then 0x0D. Fields get their offsets
// assigned.
std::string BuildHeader(std::vector<Field>& fields, uint8_t language_driver, uint32_t record_count,
                        const common::Date& today);
// Bytes 1-7: the date of last update (year - 1900, month, day) and the record count.
std::string DateAndCount(const common::Date& today, uint32_t record_count);

// The code page a language driver id stands for ("windows-1251", "ibm-866", ...); empty when the id
// is 0 or not one this engine knows, in which case the configured default applies.
std::string_view CodepageForLanguageDriver(uint8_t id);

// Field values. A blank field is null: it reads as the empty text.
// Text as stored in a character field: the table's code page, "?" for characters it lacks, cut to
// the width, padded with blanks.
std::string EncodeCharacter(common::TextView text, const platform::Codepage& codepage, int width);
// A whole number right-aligned with exactly `decimals` decimals; empty when it does not fit.
std::string EncodeNumber(int64_t value, int width, int decimals);
// A character field without its trailing blanks; a numeric field as a plain decimal ("2400.00000"
// reads "2400", "1234.50" reads "1234.5"); other types as stored, trimmed.
common::Text DecodeField(const Field& field, std::string_view bytes, const platform::Codepage& codepage);
// True when the field holds nothing: all blanks, or the '*' filler some writers use for a null number.
bool IsNull(const Field& field, std::string_view bytes);

uint32_t ReadLe32(std::string_view bytes, size_t offset);
uint16_t ReadLe16(std::string_view bytes, size_t offset);
void WriteLe32(std::string& bytes, size_t offset, uint32_t value);
void WriteLe16(std::string& bytes, size_t offset, uint16_t value);

}  // namespace store::dbf
