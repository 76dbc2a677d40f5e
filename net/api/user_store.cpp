#include "user_store.h"

#include "qellib/settings.h"
#include "qellib/variant.h"

namespace qel {

void saveUser(cSettings& store, const std::string& user, const std::string& password,
              const std::string& authority, const std::string& updated) {
    store.SaveSetting("Password", password, user);
    store.SaveSetting("Authority", authority, user);
    store.SaveSetting("Updated", updated.empty() ? toText(currentDate()).value_or("") : updated,
                      user);
}

}  // namespace qel
