#pragma once

#include <cstdint>

// The names by which the export reaches the mail client's directory.
namespace directory {

inline constexpr char16_t kOutlookProgId[] = u"Outlook.Application";
inline constexpr char16_t kMapiNamespace[] = u"MAPI";
// The global address list, by its display name.
inline constexpr char16_t kGlobalAddressListName[] = u"Глобальный список адресов";
// The mail client's number for the default contacts folder.
inline constexpr int32_t kContactsFolder = 10;

}  // namespace directory
