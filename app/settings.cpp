#include "app/settings.h"

#include "app/compiled_settings.h"

namespace app {

Settings DefaultSettings() {
  Settings settings{compiled::kSurveyFolder,
                    compiled::kDatabaseFolder,
                    compiled::kMailDomain,
                    compiled::kGalFile,
                    compiled::kContactsFile,
                    compiled::kCodepage,
                    compiled::kDbfCodepage,
                    compiled::kHistory,
                    {},
                    {}};
  directory::LdapSource& gal = settings.gal_ldap;
  gal.uri = compiled::kGalLdap;
  gal.base = compiled::kLdapBase;
  gal.address_list = compiled::kGalDn;
  gal.bind = compiled::kLdapGssapi ? directory::LdapBind::kGssapi : directory::LdapBind::kSimple;
  gal.user = compiled::kLdapUser;
  gal.password_file = compiled::kLdapPasswordFile;
  gal.ca_file = compiled::kLdapCa;
  gal.start_tls = compiled::kLdapStartTls;
  gal.timeout_seconds = compiled::kLdapTimeout;
  gal.insecure = compiled::kLdapInsecure;
  directory::CardDavSource& contacts = settings.contacts_carddav;
  contacts.url = compiled::kContactsCardDav;
  contacts.user = compiled::kCardDavUser;
  contacts.password_file = compiled::kCardDavPasswordFile;
  contacts.ca_file = compiled::kCardDavCa;
  contacts.timeout_seconds = compiled::kLdapTimeout;
  return settings;
}

common::Text DatabaseFolderOf(const common::Text& survey_folder) {
  return survey_folder + u"DB" + survey_folder.back();
}

bool EndsWithPathSeparator(common::TextView folder) {
  if (folder.empty()) return false;
#ifdef _WIN32
  if (folder.back() == u'\\') return true;
#endif
  return folder.back() == u'/';
}

}  // namespace app
