#pragma once

#include "common/text.h"

namespace directory {

// The e-mail address of a directory entry: the alias that follows the second "/cn=" of its
// directory address ("/o=A/ou=B/cn=Recipients/cn=ivanov" gives "ivanov"), the at sign and
// `mail_domain`. Twice the text up to and including the first "/cn=" is cut away (the first three
// characters when there is none); the alias is the run of ASCII letters that then opens the text.
// Never fails: an address without an alias gives "@" and the domain.
common::Text MakeEmail(common::TextView address, common::TextView mail_domain);

}  // namespace directory
