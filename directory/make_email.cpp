#include "directory/make_email.h"

namespace directory {

common::Text MakeEmail(common::TextView address, common::TextView mail_domain) {
  common::TextView s = address;
  for (int pass = 0; pass < 2; ++pass) {
    // Position p of "/cn=" counted from 1, 0 when absent: the first p + 3 characters go.
    size_t found = s.find(u"/cn=");
    size_t p = found == common::TextView::npos ? 0 : found + 1;
    s.remove_prefix(std::min(s.size(), p + 3));
  }
  size_t length = 0;
  while (length < s.size() && ((s[length] >= u'A' && s[length] <= u'Z') || (s[length] >= u'a' && s[length] <= u'z'))) {
    ++length;
  }
  common::Text email(s.substr(0, length));
  email += u'@';
  email += mail_domain;
  return email;
}

}  // namespace directory
