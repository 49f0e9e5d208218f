#include "remote/hosts.h"

// Given by the build (SHOP_HOST and OFFICIAL_HOST cache variables).
#ifndef TOLVANE_SHOP_HOST
#error "TOLVANE_SHOP_HOST must come from the build"
#endif
#ifndef TOLVANE_OFFICIAL_HOST
#error "TOLVANE_OFFICIAL_HOST must come from the build"
#endif

namespace remote {

namespace {

Text OnShop(const char* path) { return "http://" + ShopHost() + path; }

}  // namespace

Text ShopHost() { return TOLVANE_SHOP_HOST; }
Text OfficialHost() { return TOLVANE_OFFICIAL_HOST; }

Text StatusFileUrl() { return OnShop("/1.txt"); }
Text NoticeFileUrl() { return OnShop("/new.txt"); }
Text ShopBareHost() { return ShopHost(); }
Text ShopRootUrl() { return OnShop(""); }
Text BrandPageUrl() { return OnShop("/?mod=brand"); }
Text NinePageUrl() { return OnShop("/?mod=goods&ac=nine"); }
Text NineteenPageUrl() { return OnShop("/?mod=goods&ac=nineteen"); }
Text JingpinPageUrl() { return OnShop("/?mod=goods&ac=jingpin"); }
Text BusinessPageUrl() { return "http://" + OfficialHost() + "/?mod=business"; }
Text OfficialRootUrl() { return "http://" + OfficialHost() + "/"; }

}  // namespace remote
